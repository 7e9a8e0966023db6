#include "pe/icon_file.h"

#include "io/file_io.h"

namespace azpack {

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kMaxImages = 256;
constexpr uint64_t kMaxIconFile = 16 << 20;

uint32_t readU16(const unsigned char* p) {
    return uint32_t(p[0] | p[1] << 8);
}
uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

bool iconFromBytes(const std::vector<unsigned char>& bytes, IconResources* icon,
                   std::string* reason) {
    *icon = IconResources();
    if (bytes.size() < kDirectorySize || readU16(&bytes[0]) != 0 || readU16(&bytes[2]) != 1) {
        *reason = "not a .ico file (no icon directory at its start)";
        return false;
    }
    size_t count = readU16(&bytes[4]);
    if (count == 0 || count > kMaxImages) {
        *reason = "a .ico file with " + std::to_string(count) + " images";
        return false;
    }
    if (kDirectorySize + count * kFileEntrySize > bytes.size()) {
        *reason = "its icon directory runs past the end of the file";
        return false;
    }
    icon->group.assign(bytes.begin(), bytes.begin() + kDirectorySize);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* entry = &bytes[kDirectorySize + i * kFileEntrySize];
        uint64_t size = readU32(entry + 8);
        uint64_t offset = readU32(entry + 12);
        if (size == 0 || offset < kDirectorySize + count * kFileEntrySize ||
            offset + size > bytes.size()) {
            *reason = "image " + std::to_string(i + 1) + " lies outside the file or is empty";
            return false;
        }
        icon->images.emplace_back(bytes.begin() + offset, bytes.begin() + offset + size);
        icon->group.insert(icon->group.end(), entry, entry + 12);
        uint16_t id = static_cast<uint16_t>(i + 1);
        icon->group.push_back(static_cast<unsigned char>(id));
        icon->group.push_back(static_cast<unsigned char>(id >> 8));
    }
    static_assert(kGroupEntrySize == 12 + 2, "group entry: the file entry's first 12 bytes and id");
    return true;
}

bool readIconFile(const std::filesystem::path& path, IconResources* icon, std::string* error) {
    InputFile file;
    if (!file.open(path, error))
        return false;
    if (file.size() > kMaxIconFile) {
        *error = displayPath(path) + ": larger than 16 MiB, not an icon";
        return false;
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(file.size()));
    if (!bytes.empty() && !file.readExact(0, bytes.data(), bytes.size(), error))
        return false;
    std::string reason;
    if (!iconFromBytes(bytes, icon, &reason)) {
        *error = displayPath(path) + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace azpack
