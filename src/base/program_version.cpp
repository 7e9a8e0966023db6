#include "base/program_version.h"

#include <cstring>

namespace {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;
constexpr uint32_t kVersionType = 16;  // RT_VERSION
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
constexpr int kMaxSections = 96;

// Bounds-checked little-endian reads over one byte range.
class Bytes {
  public:
    Bytes(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    bool has(size_t at, size_t count) const { return at <= size_ && count <= size_ - at; }
    uint16_t u16(size_t at) const {
        return has(at, 2) ? static_cast<uint16_t>(data_[at] | data_[at + 1] << 8) : 0;
    }
    uint32_t u32(size_t at) const {
        return has(at, 4)
                   ? static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16
                   : 0;
    }
    Bytes slice(size_t at, size_t count) const {
        return has(at, count) ? Bytes(data_ + at, count) : Bytes(nullptr, 0);
    }
    size_t size() const { return size_; }

  private:
    const unsigned char* data_;
    size_t size_;
};

struct Image {
    Bytes file;
    size_t sections = 0;  // file offset of the section table
    int sectionCount = 0;

    // The file offset of `rva` when a section holds it in the file; 0 when none.
    size_t offsetOf(uint32_t rva, size_t count) const {
        for (int i = 0; i < sectionCount; ++i) {
            size_t at = sections + 40 * static_cast<size_t>(i);
            uint32_t address = file.u32(at + 12);
            uint32_t rawSize = file.u32(at + 16);
            uint32_t rawAt = file.u32(at + 20);
            if (rva >= address && rva - address < rawSize && count <= rawSize - (rva - address)) {
                size_t offset = static_cast<size_t>(rawAt) + (rva - address);
                return file.has(offset, count) ? offset : 0;
            }
        }
        return 0;
    }
};

// The entry of a resource directory at `at` with `id` (any when id is ~0u):
// its OffsetToData word, or ~0u.
uint32_t directoryEntry(const Bytes& resources, size_t at, uint32_t id) {
    if (!resources.has(at, 16))
        return ~0u;
    size_t count = static_cast<size_t>(resources.u16(at + 12)) + resources.u16(at + 14);
    for (size_t i = 0; i < count; ++i) {
        size_t entry = at + 16 + 8 * i;
        if (!resources.has(entry, 8))
            return ~0u;
        if (id == ~0u || resources.u32(entry) == id)
            return resources.u32(entry + 4);
    }
    return ~0u;
}

// One block of the version resource: length, value length, type, key.
struct Block {
    size_t at = 0, end = 0, keyAt = 0, valueAt = 0, valueBytes = 0, childrenAt = 0;
};

size_t align4(size_t offset) {
    return (offset + 3) & ~static_cast<size_t>(3);
}

bool readBlock(const Bytes& info, size_t at, size_t limit, Block& block) {
    uint16_t length = info.u16(at);
    if (!info.has(at, 6) || length < 6 || length > limit - at)
        return false;
    block.at = at;
    block.end = at + length;
    block.keyAt = at + 6;
    size_t keyEnd = block.keyAt;
    while (keyEnd + 2 <= block.end && info.u16(keyEnd) != 0)
        keyEnd += 2;
    if (keyEnd + 2 > block.end)
        return false;
    block.valueAt = align4(keyEnd + 2);
    size_t valueLength = info.u16(at + 2);
    block.valueBytes = info.u16(at + 4) == 1 ? 2 * valueLength : valueLength;
    if (block.valueAt > block.end || block.valueBytes > block.end - block.valueAt)
        block.valueBytes = block.valueAt > block.end ? 0 : block.end - block.valueAt;
    block.childrenAt = align4(block.valueAt + block.valueBytes);
    return true;
}

bool keyIs(const Bytes& info, const Block& block, const char* key) {
    size_t at = block.keyAt;
    for (; *key != '\0'; ++key, at += 2) {
        if (info.u16(at) != static_cast<unsigned char>(*key))
            return false;
    }
    return info.u16(at) == 0;
}

// The first child of `parent` whose key is `key` (any key for nullptr).
bool findChild(const Bytes& info, const Block& parent, const char* key, Block& child) {
    size_t at = parent.childrenAt;
    while (at < parent.end && readBlock(info, at, parent.end, child)) {
        if (key == nullptr || keyIs(info, child, key))
            return true;
        at = align4(child.end);
    }
    return false;
}

void readText(const Bytes& info, const Block& table, const char* key, char (&out)[64]) {
    out[0] = '\0';
    Block text;
    if (!findChild(info, table, key, text))
        return;
    size_t count = 0;
    for (size_t at = text.valueAt; at + 2 <= text.valueAt + text.valueBytes; at += 2) {
        uint16_t c = info.u16(at);
        if (c == 0)
            break;
        if (count + 1 >= sizeof out) {
            count = 0;  // too long to be a name we compare with
            break;
        }
        out[count++] = c < 0x80 ? static_cast<char>(c) : '?';
    }
    out[count] = '\0';
}

bool readImage(const Bytes& file, Image& image) {
    if (file.u16(0) != 0x5A4D)  // "MZ"
        return false;
    size_t pe = file.u32(0x3C);
    if (!file.has(pe, 24) || file.u32(pe) != 0x00004550)  // "PE\0\0"
        return false;
    uint16_t machine = file.u16(pe + 4);
    uint16_t flags = file.u16(pe + 22);
    if ((machine != kMachineI386 && machine != kMachineAmd64) || !(flags & kExecutableImage) ||
        (flags & kDll))
        return false;
    image.sectionCount = file.u16(pe + 6);
    image.sections = pe + 24 + file.u16(pe + 20);
    return image.sectionCount <= kMaxSections &&
           file.has(image.sections, 40 * static_cast<size_t>(image.sectionCount));
}

}  // namespace

int readProgramVersion(const unsigned char* bytes, size_t size, ProgramVersion& version) {
    version = ProgramVersion();
    Image image{Bytes(bytes, bytes ? size : 0)};
    if (!readImage(image.file, image))
        return 0;
    const Bytes& file = image.file;
    size_t optional = file.u32(0x3C) + 24;
    uint16_t magic = file.u16(optional);
    size_t directories = optional + (magic == 0x20B ? 112 : 96);
    size_t directoryCount = file.u32(optional + (magic == 0x20B ? 108 : 92));
    if ((magic != 0x10B && magic != 0x20B) || directoryCount < 3)
        return 0;
    uint32_t resourceRva = file.u32(directories + 16);
    uint32_t resourceSize = file.u32(directories + 20);
    size_t resourceAt = image.offsetOf(resourceRva, resourceSize);
    if (resourceAt == 0 || resourceSize < 16)
        return 0;
    Bytes resources = file.slice(resourceAt, resourceSize);

    // Type, name, language: the first name and language of the version type.
    uint32_t next = directoryEntry(resources, 0, kVersionType);
    for (int level = 0; level < 2; ++level) {
        if (next == ~0u || !(next & 0x80000000u))
            return 0;
        next = directoryEntry(resources, next & 0x7FFFFFFFu, ~0u);
    }
    if (next == ~0u || (next & 0x80000000u) || !resources.has(next, 8))
        return 0;
    uint32_t dataRva = resources.u32(next);
    uint32_t dataSize = resources.u32(next + 4);
    size_t dataAt = image.offsetOf(dataRva, dataSize);
    if (dataAt == 0)
        return 0;
    Bytes info = file.slice(dataAt, dataSize);

    Block root;
    if (!readBlock(info, 0, info.size(), root) || !keyIs(info, root, "VS_VERSION_INFO") ||
        root.valueBytes < kFixedInfoSize || info.u32(root.valueAt) != kFixedInfoSignature)
        return 0;
    version.fileVersion =
        static_cast<uint64_t>(info.u32(root.valueAt + 8)) << 32 | info.u32(root.valueAt + 12);
    Block strings;
    Block table;
    if (findChild(info, root, "StringFileInfo", strings) &&
        findChild(info, strings, nullptr, table)) {
        readText(info, table, "InternalName", version.internalName);
        readText(info, table, "ProductName", version.productName);
        readText(info, table, "OriginalFilename", version.originalName);
    }
    return 1;
}
