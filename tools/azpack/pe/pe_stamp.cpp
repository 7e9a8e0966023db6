#include "pe/pe_stamp.h"

#include <cstring>
#include <vector>

#include "payload/layout.h"
#include "pe/pe_checksum.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"

namespace azpack {

namespace {

using payload::readU32;
using payload::writeU32;

constexpr uint32_t kResourceSectionFlags = 0x40000040;  // initialized data, readable
constexpr uint32_t kDebugEntrySize = 28;
constexpr uint32_t kDebugPointerToRawData = 24;
constexpr size_t kCopyPiece = 1 << 20;
// The resource section starts on a page boundary in the file. A loader can
// then map the payload straight from the file; Wine, for one, reads a section
// whose file offset is not page-aligned into fresh memory when the program
// starts, which for a large payload costs its whole size in time and memory
// before the installer runs.
constexpr uint64_t kPageSize = 4096;

struct Patch {
    uint64_t offset;
    uint32_t value;
};

class Stamper {
  public:
    bool prepare(const std::filesystem::path& stubPath, uint64_t payloadSize,
                 const InstallerFace& face, std::string* error);
    bool write(const PayloadBytes& payload, OutputFile* out, std::string* error);

  private:
    bool fail(const std::string& reason, std::string* error) {
        *error = displayPath(stub_.path()) + ": " + reason;
        return false;
    }
    bool choosePlace(std::string* error);
    bool readOurVersion(VersionBlock* version, std::string* error);
    bool putFace(const InstallerFace& face, std::string* error);
    bool patchHeaders(std::string* error);
    bool patchDebugDirectory(std::string* error);
    bool emit(const unsigned char* data, size_t size, std::string* error);
    bool emitZeros(uint64_t count, std::string* error);
    bool emitRange(InputFile& file, uint64_t offset, uint64_t size, bool patched,
                   std::string* error);

    InputFile stub_;
    PeImage image_;
    ResourceNode tree_;
    ResourceSectionLayout layout_;
    int oldSection_ = -1;
    bool inPlace_ = false;
    uint32_t newAddress_ = 0;
    uint64_t newPointer_ = 0;
    uint64_t copyEnd_ = 0;
    uint64_t overlayStart_ = 0;
    uint64_t rawSize_ = 0;
    int64_t shift_ = 0;
    std::vector<unsigned char> headers_;
    std::vector<Patch> patches_;
    OutputFile* out_ = nullptr;
    PeChecksum checksum_;
};

bool Stamper::prepare(const std::filesystem::path& stubPath, uint64_t payloadSize,
                      const InstallerFace& face, std::string* error) {
    if (!stub_.open(stubPath, error) || !image_.read(stub_, error))
        return false;
    if (image_.directory(kDirectorySecurity).size != 0) {
        return fail(
            "carries a digital signature, which stamping would break; build or stamp "
            "the unsigned installer, then sign the result",
            error);
    }
    if (image_.directoryCount() <= kDirectoryResource)
        return fail("PE header has no resource directory entry", error);
    if (payloadSize > 0x7FFFFFFFu)
        return fail("payload larger than 2 GiB - 1 bytes", error);
    if (!readResourceTree(stub_, image_, &tree_, error) || !putFace(face, error))
        return false;
    ResourceNode leaf;
    leaf.source = BlobSource::kPayload;
    leaf.size = static_cast<uint32_t>(payloadSize);
    putResource(&tree_, payload::kResourceType, payload::kResourceName, payload::kResourceLanguage,
                leaf);
    if (!choosePlace(error))
        return false;
    if (copyEnd_ < image_.sizeOfHeaders())
        return fail("a PE section overlaps the headers", error);
    if (!layoutResourceSection(&tree_, newAddress_, &layout_, error))
        return fail(*error, error);
    rawSize_ = alignUp(layout_.size, image_.fileAlignment());
    if (alignUp(uint64_t(newAddress_) + layout_.size, image_.sectionAlignment()) > 0xFFFFFFFFu ||
        newPointer_ + rawSize_ > 0xFFFFFFFFu)
        return fail("the installer would be larger than a PE image can be", error);
    shift_ = static_cast<int64_t>(newPointer_ + rawSize_) - static_cast<int64_t>(overlayStart_);
    return patchHeaders(error) && patchDebugDirectory(error);
}

bool Stamper::readOurVersion(VersionBlock* version, std::string* error) {
    const char kNotOurs[] =
        "is not an azsetup installer stub (its version resource does not name "
        "InternalName azsetup); use the stub installed with azpack or built from azsetup";
    const ResourceNode* leaf = findFirstOfType(tree_, kResourceVersion);
    if (leaf == nullptr || leaf->size == 0 || leaf->size > 0xFFFF)
        return fail(kNotOurs, error);
    std::vector<unsigned char> bytes(leaf->size);
    if (!stub_.readExact(leaf->fileOffset, bytes.data(), bytes.size(), error))
        return false;
    if (!parseVersionResource(bytes, version) ||
        versionString(*version, "InternalName") != "azsetup")
        return fail(kNotOurs, error);
    return true;
}

bool Stamper::putFace(const InstallerFace& face, std::string* error) {
    VersionBlock version;
    if (!readOurVersion(&version, error))
        return false;
    if (face.hasVersion) {
        if (!applyVersionFace(face.version, &version, error))
            return fail(*error, error);
        const ResourceNode* old = findFirstOfType(tree_, kResourceVersion);
        ResourceNode leaf;
        leaf.source = BlobSource::kMemory;
        leaf.codePage = old->codePage;
        leaf.bytes = writeVersionResource(version);
        leaf.size = static_cast<uint32_t>(leaf.bytes.size());
        uint16_t language = old->key.id;
        removeType(&tree_, kResourceVersion);
        putNumbered(&tree_, kResourceVersion, 1, language, leaf);
    }
    if (face.hasIcon) {
        removeType(&tree_, kResourceIcon);
        removeType(&tree_, kResourceGroupIcon);
        for (size_t i = 0; i < face.icon.images.size(); ++i) {
            ResourceNode image;
            image.source = BlobSource::kMemory;
            image.bytes = face.icon.images[i];
            image.size = static_cast<uint32_t>(image.bytes.size());
            putNumbered(&tree_, kResourceIcon, static_cast<uint16_t>(i + 1),
                        payload::kResourceLanguage, image);
        }
        ResourceNode group;
        group.source = BlobSource::kMemory;
        group.bytes = face.icon.group;
        group.size = static_cast<uint32_t>(group.bytes.size());
        putNumbered(&tree_, kResourceGroupIcon, 1, payload::kResourceLanguage, group);
    }
    return true;
}

bool Stamper::choosePlace(std::string* error) {
    const std::vector<PeSection>& sections = image_.sections();
    DataDirectory resources = image_.directory(kDirectoryResource);
    oldSection_ = resources.address != 0 ? image_.sectionOf(resources.address) : -1;
    overlayStart_ = image_.endOfSectionData();
    if (oldSection_ >= 0) {
        const PeSection& s = sections[oldSection_];
        bool lastInMemory = true;
        for (const PeSection& other : sections) {
            if (other.virtualAddress > s.virtualAddress)
                lastInMemory = false;
        }
        bool onlyResources = s.virtualAddress == resources.address;
        uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        for (int d = 0; d < image_.directoryCount(); ++d) {
            DataDirectory other = image_.directory(d);
            if (d == kDirectoryResource || d == kDirectorySecurity || other.address == 0)
                continue;
            if (other.address >= s.virtualAddress && other.address - s.virtualAddress < span)
                onlyResources = false;
        }
        inPlace_ = lastInMemory && onlyResources && s.rawSize != 0 &&
                   uint64_t(s.rawPointer) + s.rawSize == overlayStart_;
    }
    const uint64_t sectionStart =
        image_.fileAlignment() > kPageSize ? image_.fileAlignment() : kPageSize;
    if (inPlace_) {
        const PeSection& s = sections[oldSection_];
        newAddress_ = s.virtualAddress;
        newPointer_ = alignUp(s.rawPointer, sectionStart);
        copyEnd_ = s.rawPointer;
        return true;
    }
    uint32_t tableEnd = image_.sectionTableEnd();
    bool room = tableEnd + kSectionHeaderSize <= image_.sizeOfHeaders();
    for (const PeSection& s : sections) {
        if (s.rawSize != 0 && tableEnd + kSectionHeaderSize > s.rawPointer)
            room = false;
    }
    for (uint32_t i = 0; room && i < kSectionHeaderSize; ++i) {
        if (image_.headerBytes()[tableEnd + i] != 0)
            room = false;
    }
    if (!room)
        return fail("no room in the PE section table for a resource section", error);
    if (image_.endOfImage() > 0xFFFFFFFFu)
        return fail("PE image too large", error);
    newAddress_ = static_cast<uint32_t>(image_.endOfImage());
    newPointer_ = alignUp(overlayStart_, sectionStart);
    copyEnd_ = overlayStart_;
    return true;
}

bool Stamper::patchHeaders(std::string* error) {
    headers_ = image_.headerBytes();
    unsigned char* h = headers_.data();
    unsigned char* opt = h + image_.optionalOffset();
    uint32_t oldRaw = 0;
    uint32_t virtualSize = static_cast<uint32_t>(layout_.size);
    if (inPlace_) {
        unsigned char* section = h + image_.sections()[oldSection_].headerOffset;
        oldRaw = readU32(section + kSecSizeOfRawData);
        writeU32(section + kSecVirtualSize, virtualSize);
        writeU32(section + kSecSizeOfRawData, static_cast<uint32_t>(rawSize_));
        writeU32(section + kSecPointerToRawData, static_cast<uint32_t>(newPointer_));
    } else {
        unsigned char* section = h + image_.sectionTableEnd();
        std::memset(section, 0, kSectionHeaderSize);
        std::memcpy(section, ".rsrc", 5);
        writeU32(section + kSecVirtualSize, virtualSize);
        writeU32(section + kSecVirtualAddress, newAddress_);
        writeU32(section + kSecSizeOfRawData, static_cast<uint32_t>(rawSize_));
        writeU32(section + kSecPointerToRawData, static_cast<uint32_t>(newPointer_));
        writeU32(section + kSecCharacteristics, kResourceSectionFlags);
        unsigned char* count = h + image_.coffOffset() + kCoffNumberOfSections;
        uint16_t sections = static_cast<uint16_t>(count[0] | count[1] << 8);
        ++sections;
        count[0] = static_cast<unsigned char>(sections);
        count[1] = static_cast<unsigned char>(sections >> 8);
        if (oldSection_ >= 0) {
            unsigned char* old = h + image_.sections()[oldSection_].headerOffset;
            if (std::memcmp(old, ".rsrc\0\0\0", 8) == 0)
                std::memcpy(old, ".oldrsrc", 8);
        }
    }
    writeU32(h + image_.directoryOffset(kDirectoryResource), newAddress_);
    writeU32(h + image_.directoryOffset(kDirectoryResource) + 4, virtualSize);
    writeU32(opt + kOptSizeOfImage,
             static_cast<uint32_t>(
                 alignUp(uint64_t(newAddress_) + layout_.size, image_.sectionAlignment())));
    writeU32(opt + kOptSizeOfInitializedData,
             readU32(opt + kOptSizeOfInitializedData) + static_cast<uint32_t>(rawSize_) - oldRaw);
    writeU32(opt + kOptCheckSum, 0);
    unsigned char* symbols = h + image_.coffOffset() + kCoffPointerToSymbolTable;
    uint32_t symbolTable = readU32(symbols);
    if (symbolTable != 0 && symbolTable >= overlayStart_)
        writeU32(symbols, static_cast<uint32_t>(symbolTable + shift_));
    (void)error;
    return true;
}

// Debug data may lie in the overlay, addressed by file offset.
bool Stamper::patchDebugDirectory(std::string* error) {
    if (image_.directoryCount() <= kDirectoryDebug)
        return true;
    DataDirectory debug = image_.directory(kDirectoryDebug);
    if (debug.address == 0 || debug.size == 0)
        return true;
    uint64_t at = 0;
    if (!image_.rvaToOffset(debug.address, debug.size, &at))
        return true;  // not in the file: nothing of it to move
    std::vector<unsigned char> entries(debug.size);
    if (!stub_.readExact(at, entries.data(), entries.size(), error))
        return false;
    for (uint32_t e = 0; e + kDebugEntrySize <= debug.size; e += kDebugEntrySize) {
        uint32_t pointer = readU32(entries.data() + e + kDebugPointerToRawData);
        if (pointer == 0 || pointer < overlayStart_)
            continue;
        uint64_t field = at + e + kDebugPointerToRawData;
        if (field + 4 > copyEnd_)
            return fail("debug directory lies inside the resource section", error);
        patches_.push_back({field, static_cast<uint32_t>(pointer + shift_)});
    }
    return true;
}

bool Stamper::emit(const unsigned char* data, size_t size, std::string* error) {
    checksum_.add(data, size);
    return out_->write(data, size, error);
}

bool Stamper::emitZeros(uint64_t count, std::string* error) {
    static const unsigned char zeros[4096] = {};
    while (count > 0) {
        size_t piece = count < sizeof zeros ? static_cast<size_t>(count) : sizeof zeros;
        if (!emit(zeros, piece, error))
            return false;
        count -= piece;
    }
    return true;
}

bool Stamper::emitRange(InputFile& file, uint64_t offset, uint64_t size, bool patched,
                        std::string* error) {
    std::vector<unsigned char> piece;
    while (size > 0) {
        size_t count = size < kCopyPiece ? static_cast<size_t>(size) : kCopyPiece;
        piece.resize(count);
        if (!file.readExact(offset, piece.data(), count, error))
            return false;
        if (patched) {
            for (const Patch& patch : patches_) {
                for (uint64_t k = 0; k < 4; ++k) {
                    uint64_t byte = patch.offset + k;
                    if (byte >= offset && byte < offset + count)
                        piece[byte - offset] = static_cast<unsigned char>(patch.value >> (8 * k));
                }
            }
        }
        if (!emit(piece.data(), count, error))
            return false;
        offset += count;
        size -= count;
    }
    return true;
}

bool Stamper::write(const PayloadBytes& payload, OutputFile* out, std::string* error) {
    out_ = out;
    checksum_ = PeChecksum();
    InputFile payloadFile;
    if (!payloadFile.open(payload.file, error))
        return false;
    uint64_t start = out->position();
    if (!emit(headers_.data(), headers_.size(), error) ||
        !emitRange(stub_, headers_.size(), copyEnd_ - headers_.size(), true, error) ||
        !emitZeros(newPointer_ - copyEnd_, error) ||
        !emit(layout_.head.data(), layout_.head.size(), error))
        return false;
    uint64_t inSection = layout_.head.size();
    for (const ResourceSectionLayout::Blob& blob : layout_.blobs) {
        if (!emitZeros(blob.offset - inSection, error))
            return false;
        const ResourceNode& leaf = *blob.leaf;
        bool ok = leaf.source == BlobSource::kPayload
                      ? emitRange(payloadFile, payload.offset, leaf.size, false, error)
                  : leaf.source == BlobSource::kMemory
                      ? emit(leaf.bytes.data(), leaf.bytes.size(), error)
                      : emitRange(stub_, leaf.fileOffset, leaf.size, false, error);
        if (!ok)
            return false;
        inSection = blob.offset + uint64_t(leaf.size);
    }
    if (!emitZeros(rawSize_ - inSection, error) ||
        !emitRange(stub_, overlayStart_, stub_.size() - overlayStart_, false, error))
        return false;
    unsigned char sum[4];
    writeU32(sum, checksum_.finish());
    return out->writeAt(start + image_.optionalOffset() + kOptCheckSum, sum, 4, error);
}

}  // namespace

bool checkStub(const std::filesystem::path& stub, const InstallerFace& face, std::string* error) {
    Stamper stamper;
    return stamper.prepare(stub, 0, face, error);
}

bool stampInstaller(const std::filesystem::path& stub, const PayloadBytes& payload,
                    const InstallerFace& face, OutputFile* out, std::string* error) {
    Stamper stamper;
    return stamper.prepare(stub, payload.size, face, error) && stamper.write(payload, out, error);
}

}  // namespace azpack
