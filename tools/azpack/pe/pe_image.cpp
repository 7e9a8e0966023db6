#include "pe/pe_image.h"

#include <cstring>

#include "payload/layout.h"

namespace azpack {

namespace {

using payload::readU32;

constexpr uint32_t kMaxHeaderArea = 1 << 20;
constexpr uint32_t kMaxSections = 1024;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

uint16_t readU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool isPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool PeImage::looksLikeExecutable(InputFile& file) {
    unsigned char magic[2] = {0, 0};
    size_t got = 0;
    std::string ignored;
    return file.readAt(0, magic, 2, &got, &ignored) && got == 2 && magic[0] == 'M' &&
           magic[1] == 'Z';
}

bool PeImage::read(InputFile& file, std::string* error) {
    const std::string where = displayPath(file.path()) + ": ";
    auto fail = [&](const char* reason) {
        *error = where + reason;
        return false;
    };
    uint64_t fileSize = file.size();
    uint64_t areaSize = fileSize < kMaxHeaderArea ? fileSize : kMaxHeaderArea;
    headers_.assign(static_cast<size_t>(areaSize), 0);
    if (!file.readExact(0, headers_.data(), headers_.size(), error))
        return false;
    const unsigned char* h = headers_.data();
    if (areaSize < 64 || h[0] != 'M' || h[1] != 'Z')
        return fail("not a Windows executable (no MZ header)");
    uint32_t peOffset = readU32(h + 0x3C);
    if (peOffset > areaSize - 24 || std::memcmp(h + peOffset, "PE\0\0", 4) != 0)
        return fail("not a PE executable (no PE signature)");
    coffOffset_ = peOffset + 4;
    uint32_t sectionCount = readU16(h + coffOffset_ + kCoffNumberOfSections);
    optionalSize_ = readU16(h + coffOffset_ + 16);
    optionalOffset_ = coffOffset_ + 20;
    sectionTableOffset_ = optionalOffset_ + optionalSize_;
    if (sectionCount > kMaxSections ||
        sectionTableOffset_ + uint64_t(sectionCount) * kSectionHeaderSize > areaSize)
        return fail("PE headers run past the end of the file");
    if (optionalSize_ < 2)
        return fail("PE optional header missing");
    uint16_t magic = readU16(h + optionalOffset_);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus)
        return fail("unknown PE optional header (neither PE32 nor PE32+)");
    is64_ = magic == kMagicPe32Plus;
    uint32_t countField = is64_ ? 108 : 92;
    uint32_t firstDirectory = is64_ ? 112 : 96;
    if (optionalSize_ < firstDirectory)
        return fail("PE optional header too short");
    const unsigned char* opt = h + optionalOffset_;
    sectionAlignment_ = readU32(opt + kOptSectionAlignment);
    fileAlignment_ = readU32(opt + kOptFileAlignment);
    sizeOfHeaders_ = readU32(opt + kOptSizeOfHeaders);
    uint32_t count = readU32(opt + countField);
    uint32_t room = (optionalSize_ - firstDirectory) / 8;
    directoryCount_ = static_cast<int>(count < room ? count : room);
    directoryOffset_ = optionalOffset_ + firstDirectory;
    if (!isPowerOfTwo(sectionAlignment_) || !isPowerOfTwo(fileAlignment_))
        return fail("PE section or file alignment is not a power of two");
    if (sizeOfHeaders_ > areaSize ||
        sizeOfHeaders_ < sectionTableOffset_ + sectionCount * kSectionHeaderSize)
        return fail("PE header size does not cover the section table");

    sections_.clear();
    for (uint32_t i = 0; i < sectionCount; ++i) {
        uint32_t at = sectionTableOffset_ + i * kSectionHeaderSize;
        PeSection section;
        std::memcpy(section.name, h + at, 8);
        section.virtualSize = readU32(h + at + kSecVirtualSize);
        section.virtualAddress = readU32(h + at + kSecVirtualAddress);
        section.rawSize = readU32(h + at + kSecSizeOfRawData);
        section.rawPointer = readU32(h + at + kSecPointerToRawData);
        section.characteristics = readU32(h + at + kSecCharacteristics);
        section.headerOffset = at;
        if (section.rawSize != 0 && uint64_t(section.rawPointer) + section.rawSize > fileSize)
            return fail("a PE section runs past the end of the file");
        sections_.push_back(section);
    }
    headers_.resize(sizeOfHeaders_);
    return true;
}

uint32_t PeImage::sectionTableEnd() const {
    return sectionTableOffset_ + static_cast<uint32_t>(sections_.size()) * kSectionHeaderSize;
}

DataDirectory PeImage::directory(int index) const {
    DataDirectory result;
    if (index < directoryCount_) {
        result.address = readU32(headers_.data() + directoryOffset(index));
        result.size = readU32(headers_.data() + directoryOffset(index) + 4);
    }
    return result;
}

int PeImage::sectionOf(uint32_t rva) const {
    for (size_t i = 0; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span)
            return static_cast<int>(i);
    }
    return -1;
}

bool PeImage::rvaToOffset(uint32_t rva, uint32_t size, uint64_t* offset) const {
    int index = sectionOf(rva);
    if (index < 0)
        return false;
    const PeSection& s = sections_[index];
    uint64_t inside = rva - s.virtualAddress;
    if (inside + size > s.rawSize)
        return false;
    *offset = s.rawPointer + inside;
    return true;
}

uint64_t PeImage::endOfSectionData() const {
    uint64_t end = sizeOfHeaders_;
    for (const PeSection& s : sections_) {
        if (s.rawSize != 0 && uint64_t(s.rawPointer) + s.rawSize > end)
            end = uint64_t(s.rawPointer) + s.rawSize;
    }
    return end;
}

uint64_t PeImage::endOfImage() const {
    uint64_t end = alignUp(sizeOfHeaders_, sectionAlignment_);
    for (const PeSection& s : sections_) {
        uint32_t span = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        uint64_t last = alignUp(uint64_t(s.virtualAddress) + span, sectionAlignment_);
        if (last > end)
            end = last;
    }
    return end;
}

}  // namespace azpack
