// Plain binary files for azpack: positioned reads, sequential writes with an
// in-place patch, exclusive creation of temporaries, atomic replacement. The
// only file of the tool that talks to the platform's file API.
#ifndef AZPACK_FILE_IO_H
#define AZPACK_FILE_IO_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace azpack {

// The path as the user would type it (UTF-8), for messages.
std::string displayPath(const std::filesystem::path& path);

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens for reading; on failure `error` gets "PATH: reason".
    bool open(const std::filesystem::path& path, std::string* error);
    void close();
    bool isOpen() const { return descriptor_ >= 0; }
    uint64_t size() const { return size_; }
    const std::filesystem::path& path() const { return path_; }

    // Reads up to `count` bytes at `offset`; `*got` is what arrived (short at
    // the end of the file). False only on a read error.
    bool readAt(uint64_t offset, void* buffer, size_t count, size_t* got, std::string* error);
    // Exactly `count` bytes at `offset`, or false with "PATH: reason".
    bool readExact(uint64_t offset, void* buffer, size_t count, std::string* error);

  private:
    int descriptor_ = -1;
    uint64_t size_ = 0;
    std::filesystem::path path_;
};

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates a new file; fails if one already exists at `path`.
    bool createNew(const std::filesystem::path& path, std::string* error);
    bool write(const void* data, size_t count, std::string* error);
    // Overwrites bytes already written (buffered bytes are flushed first).
    bool writeAt(uint64_t offset, const void* data, size_t count, std::string* error);
    // Overwrites bytes already written without flushing: those still buffered
    // change in the buffer, the others in the file. For small fix-ups while
    // writing goes on.
    bool patch(uint64_t offset, const void* data, size_t count, std::string* error);
    uint64_t position() const { return position_; }
    // Flushes and closes; reports a late write error.
    bool close(std::string* error);
    const std::filesystem::path& path() const { return path_; }

  private:
    bool flush(std::string* error);
    bool writeDirect(const unsigned char* bytes, size_t count, std::string* error);

    int descriptor_ = -1;
    uint64_t position_ = 0;
    std::vector<unsigned char> buffer_;
    std::filesystem::path path_;
};

// A file that is removed on destruction unless kept: the temporaries beside
// an output, so that a failed run leaves nothing behind. An interrupt
// (SIGINT, SIGTERM, SIGHUP) removes the live ones too.
class TemporaryFile {
  public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates a new, uniquely named file in the folder of `beside`.
    bool create(const std::filesystem::path& beside, const char* tag, std::string* error);
    OutputFile& file() { return file_; }
    const std::filesystem::path& path() const { return path_; }
    // Closes the file and renames it over `target`; it is no longer removed.
    bool commitAs(const std::filesystem::path& target, std::string* error);
    // Closes (if open) and deletes now.
    void discard();

  private:
    void unregister();

    OutputFile file_;
    std::filesystem::path path_;
    bool live_ = false;
    void* registration_ = nullptr;  // its entry in the list of live temporaries
};

// True when standard error is an interactive terminal.
bool standardErrorIsTerminal();

// Creates every missing folder of `path`.
bool makeFolders(const std::filesystem::path& path, std::string* error);

}  // namespace azpack

#endif
