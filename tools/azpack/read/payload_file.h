// An open payload for reading: a bare payload file, or the payload resource
// ("QX_TYPE" / "QX_AZARCH") inside an installer executable, found through the
// executable's resource directory.
#ifndef AZPACK_PAYLOAD_FILE_H
#define AZPACK_PAYLOAD_FILE_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "io/file_io.h"

namespace azpack {

class PayloadFile {
  public:
    // "PATH: reason" on failure.
    bool open(const std::filesystem::path& path, std::string* error);

    InputFile& file() { return file_; }
    std::string name() const { return displayPath(file_.path()); }
    uint64_t offset() const { return offset_; }
    uint64_t size() const { return size_; }
    bool inExecutable() const { return inExecutable_; }

    // Exactly `count` bytes at payload offset `at`; a reason (without the
    // file name) when they are not all inside the payload.
    bool read(uint64_t at, void* buffer, size_t count, std::string* reason);

  private:
    InputFile file_;
    uint64_t offset_ = 0;
    uint64_t size_ = 0;
    bool inExecutable_ = false;
};

}  // namespace azpack

#endif
