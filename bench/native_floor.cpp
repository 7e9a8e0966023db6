// The floor an installer can reach on this machine, natively (no Wine):
//
//   native_floor decode PAYLOAD OUT_DIR   the payload's chunks decoded by the
//                                         installer's own payload code and
//                                         written below OUT_DIR
//   native_floor raw SOURCE_DIR OUT_DIR   the bytes of SOURCE_DIR, read into
//                                         memory first, written below OUT_DIR
//
// Prints the seconds spent, from opening the payload (decode) or from the
// first write (raw) to the last file closed. OUT_DIR must not exist.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_buffer.h"
#include "payload/chunk.h"
#include "payload/entry_index.h"
#include "payload/extract.h"

namespace {

using Clock = std::chrono::steady_clock;

// Creates every missing folder above `path` (a file path below OUT_DIR).
void makeParents(const std::string& path, std::string& lastFolder) {
    size_t cut = path.rfind('/');
    if (cut == std::string::npos)
        return;
    std::string folder = path.substr(0, cut);
    if (folder == lastFolder)
        return;
    lastFolder = folder;
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '/')
            mkdir(folder.substr(0, at).c_str(), 0755);
    }
}

int writeFile(const std::string& path, const unsigned char* bytes, size_t length) {
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0)
        return 0;
    while (length > 0) {
        ssize_t written = write(descriptor, bytes, length);
        if (written <= 0) {
            close(descriptor);
            return 0;
        }
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return close(descriptor) == 0;
}

int decode(const char* payloadPath, const std::string& out) {
    Clock::time_point start = Clock::now();
    mkdir(out.c_str(), 0755);
    std::string indexPath = out + ".index";
    TextBuffer copyPath(260);
    copyPath.append(payloadPath);
    payload::PayloadHeader header;
    FILE* stream = nullptr;
    int32_t dataStart = 0;
    if (extractPayload(nullptr, copyPath, header, indexPath.c_str(), stream, dataStart) !=
        kExtracted) {
        std::fprintf(stderr, "native_floor: %s is not a payload\n", payloadPath);
        return 1;
    }
    int failures = 0;
    {
        EntryIndex index(indexPath.c_str(), 0);
        index.setDirection(0);
        TextBuffer name(260);
        int32_t value = 0;
        DecodedChunk chunk;
        std::string lastFolder;
        while (index.next(name, value) == 1) {
            std::string path = out + "/" + name.text;
            for (char& c : path)
                c = c == '\\' ? '/' : c;
            if (fseeko(stream, static_cast<off_t>(dataStart) + value, SEEK_SET) != 0 ||
                !readChunk(stream, chunk)) {
                ++failures;
                continue;
            }
            makeParents(path, lastFolder);
            if (!writeFile(path, chunk.data, chunk.length))
                ++failures;
            chunk.release();
        }
    }
    std::fclose(stream);
    std::remove(indexPath.c_str());
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.4f\n", seconds);
    if (failures != 0)
        std::fprintf(stderr, "native_floor: %d entries failed\n", failures);
    return failures != 0;
}

struct SourceFile {
    std::string name;
    std::vector<unsigned char> bytes;
};

int readTree(const std::string& root, const std::string& relative, std::vector<SourceFile>& files) {
    std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return 0;
    std::vector<std::string> names;
    while (dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    }
    closedir(listing);
    for (const std::string& name : names) {
        std::string child = relative.empty() ? name : relative + "/" + name;
        std::string full = root + "/" + child;
        struct stat status;
        if (stat(full.c_str(), &status) != 0)
            return 0;
        if (S_ISDIR(status.st_mode)) {
            if (!readTree(root, child, files))
                return 0;
            continue;
        }
        SourceFile file;
        file.name = child;
        file.bytes.resize(static_cast<size_t>(status.st_size));
        FILE* in = std::fopen(full.c_str(), "rb");
        if (in == nullptr)
            return 0;
        size_t got =
            file.bytes.empty() ? 0 : std::fread(file.bytes.data(), 1, file.bytes.size(), in);
        std::fclose(in);
        if (got != file.bytes.size())
            return 0;
        files.push_back(std::move(file));
    }
    return 1;
}

int raw(const char* source, const std::string& out) {
    std::vector<SourceFile> files;
    if (!readTree(source, "", files)) {
        std::fprintf(stderr, "native_floor: cannot read %s\n", source);
        return 1;
    }
    Clock::time_point start = Clock::now();
    mkdir(out.c_str(), 0755);
    std::string lastFolder;
    int failures = 0;
    for (const SourceFile& file : files) {
        std::string path = out + "/" + file.name;
        makeParents(path, lastFolder);
        if (!writeFile(path, file.bytes.data(), file.bytes.size()))
            ++failures;
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.4f\n", seconds);
    return failures != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "decode") != 0 && std::strcmp(argv[1], "raw") != 0)) {
        std::fprintf(stderr,
                     "usage: native_floor decode PAYLOAD OUT_DIR | raw SOURCE_DIR OUT_DIR\n");
        return 2;
    }
    struct stat status;
    if (stat(argv[3], &status) == 0) {
        std::fprintf(stderr, "native_floor: %s exists\n", argv[3]);
        return 2;
    }
    if (std::strcmp(argv[1], "decode") == 0)
        return decode(argv[2], argv[3]);
    return raw(argv[2], argv[3]);
}
