// The resource tree of a PE file (type, name, language), read into memory
// and laid out again as a whole resource section.
//
// Section layout written: the directories (root, then every type's, then
// every name's), the name strings (16-bit length and UTF-16 characters), the
// data entries, then the data itself, each piece at a multiple of 8. Within
// a directory named entries come first in ordinal order of their UTF-16
// characters, then numbered ones in ascending order, as the loader's binary
// search expects.
#ifndef AZPACK_RESOURCE_TREE_H
#define AZPACK_RESOURCE_TREE_H

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "pe/pe_image.h"

namespace azpack {

struct ResourceKey {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;
};

enum class BlobSource { kStub, kPayload, kMemory };

struct ResourceNode {
    ResourceKey key;
    // Directory header fields, kept as found.
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
    std::vector<ResourceNode> children;
    // A leaf (a language entry) has data instead of children.
    bool leaf = false;
    uint32_t codePage = 0;
    uint32_t size = 0;
    BlobSource source = BlobSource::kStub;
    uint64_t fileOffset = 0;           // where the data lies in its source file
    std::vector<unsigned char> bytes;  // the data itself, for kMemory
};

// Standard resource types by number.
constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceVersion = 16;

// Reads the tree of `image`; an image without resources gives an empty root.
bool readResourceTree(InputFile& file, const PeImage& image, ResourceNode* root,
                      std::string* error);

// The leaf of type/name: the one in `language` if there is one, else the
// first; nullptr when the image has no such resource.
const ResourceNode* findResource(const ResourceNode& root, const char* type, const char* name,
                                 uint16_t language);

// Makes `leaf` the only language of type/name, creating the type and the
// name as needed; every other resource stays.
void putResource(ResourceNode* root, const char* type, const char* name, uint16_t language,
                 const ResourceNode& leaf);

// The first leaf of numbered type `type` (any name, any language), or nullptr.
const ResourceNode* findFirstOfType(const ResourceNode& root, uint16_t type);

// Drops every resource of numbered type `type`.
void removeType(ResourceNode* root, uint16_t type);

// Makes `leaf` the only language of numbered type/name, as putResource.
void putNumbered(ResourceNode* root, uint16_t type, uint16_t name, uint16_t language,
                 const ResourceNode& leaf);

struct ResourceSectionLayout {
    struct Blob {
        uint32_t offset;
        const ResourceNode* leaf;
    };
    std::vector<unsigned char> head;  // directories, strings, data entries
    std::vector<Blob> blobs;          // after the head, in ascending offsets
    uint64_t size = 0;                // the whole section's contents
};

// Lays out the tree for a section at `sectionRva`; orders every directory.
bool layoutResourceSection(ResourceNode* root, uint32_t sectionRva, ResourceSectionLayout* out,
                           std::string* error);

}  // namespace azpack

#endif
