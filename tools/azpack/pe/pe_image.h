// The headers of a PE32 or PE32+ executable, read from a file, with the
// field offsets the resource editor changes.
//
//   DOS header      e_lfanew (at 0x3C) gives the "PE\0\0" signature
//   COFF header     signature + 4, 20 bytes
//   optional header signature + 24, SizeOfOptionalHeader bytes
//   section table   after the optional header, 40 bytes per section
#ifndef AZPACK_PE_IMAGE_H
#define AZPACK_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_io.h"

namespace azpack {

// Offsets in the COFF header.
constexpr uint32_t kCoffNumberOfSections = 2;
constexpr uint32_t kCoffPointerToSymbolTable = 8;
// Offsets in the optional header (the same in PE32 and PE32+).
constexpr uint32_t kOptSizeOfInitializedData = 8;
constexpr uint32_t kOptSectionAlignment = 32;
constexpr uint32_t kOptFileAlignment = 36;
constexpr uint32_t kOptSizeOfImage = 56;
constexpr uint32_t kOptSizeOfHeaders = 60;
constexpr uint32_t kOptCheckSum = 64;
// Offsets in a section header.
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSecVirtualSize = 8;
constexpr uint32_t kSecVirtualAddress = 12;
constexpr uint32_t kSecSizeOfRawData = 16;
constexpr uint32_t kSecPointerToRawData = 20;
constexpr uint32_t kSecCharacteristics = 36;
// Data directories.
constexpr int kDirectoryResource = 2;
constexpr int kDirectorySecurity = 4;
constexpr int kDirectoryDebug = 6;

struct PeSection {
    char name[8];
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawPointer;
    uint32_t characteristics;
    uint32_t headerOffset;  // file offset of its section header
};

struct DataDirectory {
    uint32_t address = 0;
    uint32_t size = 0;
};

class PeImage {
  public:
    // True when the file starts with "MZ" (an executable, not a payload).
    static bool looksLikeExecutable(InputFile& file);

    // Reads and checks the headers; "PATH: reason" on failure.
    bool read(InputFile& file, std::string* error);

    bool is64() const { return is64_; }
    uint32_t coffOffset() const { return coffOffset_; }
    uint32_t optionalOffset() const { return optionalOffset_; }
    uint32_t sectionTableOffset() const { return sectionTableOffset_; }
    uint32_t sectionTableEnd() const;
    uint32_t sectionAlignment() const { return sectionAlignment_; }
    uint32_t fileAlignment() const { return fileAlignment_; }
    uint32_t sizeOfHeaders() const { return sizeOfHeaders_; }
    int directoryCount() const { return directoryCount_; }
    uint32_t directoryOffset(int index) const { return directoryOffset_ + 8 * index; }
    DataDirectory directory(int index) const;
    const std::vector<PeSection>& sections() const { return sections_; }
    // The first sizeOfHeaders bytes of the file (or the whole header area read).
    const std::vector<unsigned char>& headerBytes() const { return headers_; }

    // The section holding `rva`, or -1.
    int sectionOf(uint32_t rva) const;
    // The file offset of `size` bytes at `rva`, when they lie in one section's
    // raw data.
    bool rvaToOffset(uint32_t rva, uint32_t size, uint64_t* offset) const;
    // Where section data ends in the file; the overlay starts here.
    uint64_t endOfSectionData() const;
    // The first address after the last section, aligned to the section size.
    uint64_t endOfImage() const;

  private:
    bool is64_ = false;
    uint32_t coffOffset_ = 0;
    uint32_t optionalOffset_ = 0;
    uint32_t optionalSize_ = 0;
    uint32_t sectionTableOffset_ = 0;
    uint32_t sectionAlignment_ = 0;
    uint32_t fileAlignment_ = 0;
    uint32_t sizeOfHeaders_ = 0;
    int directoryCount_ = 0;
    uint32_t directoryOffset_ = 0;
    std::vector<PeSection> sections_;
    std::vector<unsigned char> headers_;
};

uint64_t alignUp(uint64_t value, uint64_t alignment);

}  // namespace azpack

#endif
