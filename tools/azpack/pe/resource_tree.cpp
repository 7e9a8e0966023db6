#include "pe/resource_tree.h"

#include <algorithm>
#include <unordered_map>

#include "payload/layout.h"

namespace azpack {

namespace {

using payload::readU32;
using payload::writeU32;

constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kLeafLevel = 3;  // type, name, language
constexpr size_t kMaxNodes = 200000;
constexpr uint32_t kDirectoryHeaderSize = 16;
constexpr uint32_t kDirectoryEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;

void writeU16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

class TreeReader {
  public:
    TreeReader(InputFile& file, const PeImage& image, uint32_t base)
        : file_(file), image_(image), base_(base) {}

    bool readDirectory(uint32_t offset, int level, ResourceNode* node, std::string* error) {
        unsigned char header[kDirectoryHeaderSize];
        if (!read(offset, header, sizeof header, error))
            return false;
        node->characteristics = readU32(header);
        node->timeDateStamp = readU32(header + 4);
        node->majorVersion = static_cast<uint16_t>(header[8] | header[9] << 8);
        node->minorVersion = static_cast<uint16_t>(header[10] | header[11] << 8);
        uint32_t count = (header[12] | header[13] << 8) + (header[14] | header[15] << 8);
        nodes_ += count;
        if (nodes_ > kMaxNodes)
            return malformed("too many resources", error);
        std::vector<unsigned char> entries(count * kDirectoryEntrySize);
        if (!read(offset + kDirectoryHeaderSize, entries.data(), entries.size(), error))
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t nameField = readU32(entries.data() + i * kDirectoryEntrySize);
            uint32_t dataField = readU32(entries.data() + i * kDirectoryEntrySize + 4);
            ResourceNode child;
            if (!readKey(nameField, &child.key, error))
                return false;
            bool isDirectory = (dataField & kHighBit) != 0;
            if (isDirectory != (level + 1 < kLeafLevel))
                return malformed("resource directory is not three levels deep", error);
            if (isDirectory) {
                if (!readDirectory(dataField & ~kHighBit, level + 1, &child, error))
                    return false;
            } else if (!readData(dataField, &child, error)) {
                return false;
            }
            node->children.push_back(std::move(child));
        }
        return true;
    }

  private:
    bool malformed(const char* reason, std::string* error) {
        *error = displayPath(file_.path()) + ": " + reason;
        return false;
    }

    bool read(uint32_t offset, void* buffer, size_t size, std::string* error) {
        uint64_t at = 0;
        if (offset > 0x7FFFFFFFu ||
            !image_.rvaToOffset(base_ + offset, static_cast<uint32_t>(size), &at))
            return malformed("resource directory points outside the file", error);
        return file_.readExact(at, buffer, size, error);
    }

    bool readKey(uint32_t field, ResourceKey* key, std::string* error) {
        if ((field & kHighBit) == 0) {
            key->named = false;
            key->id = static_cast<uint16_t>(field);
            return true;
        }
        unsigned char lengthBytes[2];
        uint32_t at = field & ~kHighBit;
        if (!read(at, lengthBytes, 2, error))
            return false;
        uint16_t length = static_cast<uint16_t>(lengthBytes[0] | lengthBytes[1] << 8);
        std::vector<unsigned char> text(size_t(length) * 2);
        if (length > 0 && !read(at + 2, text.data(), text.size(), error))
            return false;
        key->named = true;
        key->name.clear();
        for (uint16_t i = 0; i < length; ++i)
            key->name.push_back(static_cast<char16_t>(text[2 * i] | text[2 * i + 1] << 8));
        return true;
    }

    bool readData(uint32_t offset, ResourceNode* leaf, std::string* error) {
        unsigned char entry[kDataEntrySize];
        if (!read(offset, entry, sizeof entry, error))
            return false;
        uint32_t rva = readU32(entry);
        leaf->leaf = true;
        leaf->size = readU32(entry + 4);
        leaf->codePage = readU32(entry + 8);
        leaf->source = BlobSource::kStub;
        if (leaf->size > 0 && !image_.rvaToOffset(rva, leaf->size, &leaf->fileOffset))
            return malformed("resource data lies outside the file", error);
        return true;
    }

    InputFile& file_;
    const PeImage& image_;
    uint32_t base_;
    size_t nodes_ = 0;
};

bool sameName(const ResourceKey& key, const char* name) {
    if (!key.named)
        return false;
    size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (i >= key.name.size())
            return false;
        char16_t c = key.name[i];
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != static_cast<unsigned char>(name[i]))
            return false;
    }
    return i == key.name.size();
}

ResourceNode* findChild(ResourceNode* node, const char* name) {
    for (ResourceNode& child : node->children) {
        if (sameName(child.key, name))
            return &child;
    }
    return nullptr;
}

ResourceKey namedKey(const char* name) {
    ResourceKey key;
    key.named = true;
    for (const char* c = name; *c; ++c)
        key.name.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    return key;
}

bool keyBefore(const ResourceKey& a, const ResourceKey& b) {
    if (a.named != b.named)
        return a.named;
    if (a.named)
        return a.name < b.name;
    return a.id < b.id;
}

void sortTree(ResourceNode* node) {
    std::stable_sort(
        node->children.begin(), node->children.end(),
        [](const ResourceNode& a, const ResourceNode& b) { return keyBefore(a.key, b.key); });
    for (ResourceNode& child : node->children)
        sortTree(&child);
}

}  // namespace

bool readResourceTree(InputFile& file, const PeImage& image, ResourceNode* root,
                      std::string* error) {
    *root = ResourceNode();
    DataDirectory directory = image.directory(kDirectoryResource);
    if (directory.address == 0 || directory.size == 0)
        return true;
    TreeReader reader(file, image, directory.address);
    return reader.readDirectory(0, 0, root, error);
}

const ResourceNode* findResource(const ResourceNode& root, const char* type, const char* name,
                                 uint16_t language) {
    ResourceNode* typeNode = findChild(const_cast<ResourceNode*>(&root), type);
    if (typeNode == nullptr)
        return nullptr;
    ResourceNode* nameNode = findChild(typeNode, name);
    if (nameNode == nullptr || nameNode->children.empty())
        return nullptr;
    for (const ResourceNode& leaf : nameNode->children) {
        if (!leaf.key.named && leaf.key.id == language)
            return &leaf;
    }
    return &nameNode->children.front();
}

void putResource(ResourceNode* root, const char* type, const char* name, uint16_t language,
                 const ResourceNode& leaf) {
    ResourceNode* typeNode = findChild(root, type);
    if (typeNode == nullptr) {
        ResourceNode fresh;
        fresh.key = namedKey(type);
        root->children.push_back(fresh);
        typeNode = &root->children.back();
    }
    ResourceNode* nameNode = findChild(typeNode, name);
    if (nameNode == nullptr) {
        ResourceNode fresh;
        fresh.key = namedKey(name);
        typeNode->children.push_back(fresh);
        nameNode = &typeNode->children.back();
    }
    // Any other language would be a second, stale payload that the loader
    // might pick instead of this one.
    nameNode->children.clear();
    ResourceNode data = leaf;
    data.leaf = true;
    data.key = ResourceKey();
    data.key.id = language;
    nameNode->children.push_back(data);
}

namespace {

ResourceKey numberedKey(uint16_t id) {
    ResourceKey key;
    key.id = id;
    return key;
}

ResourceNode* findNumbered(ResourceNode* node, uint16_t id) {
    for (ResourceNode& child : node->children) {
        if (!child.key.named && child.key.id == id)
            return &child;
    }
    return nullptr;
}

}  // namespace

const ResourceNode* findFirstOfType(const ResourceNode& root, uint16_t type) {
    ResourceNode* typeNode = findNumbered(const_cast<ResourceNode*>(&root), type);
    if (typeNode == nullptr || typeNode->children.empty() ||
        typeNode->children.front().children.empty())
        return nullptr;
    const ResourceNode& leaf = typeNode->children.front().children.front();
    return leaf.leaf ? &leaf : nullptr;
}

void removeType(ResourceNode* root, uint16_t type) {
    std::vector<ResourceNode>& children = root->children;
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [type](const ResourceNode& child) {
                                      return !child.key.named && child.key.id == type;
                                  }),
                   children.end());
}

void putNumbered(ResourceNode* root, uint16_t type, uint16_t name, uint16_t language,
                 const ResourceNode& leaf) {
    ResourceNode* typeNode = findNumbered(root, type);
    if (typeNode == nullptr) {
        ResourceNode fresh;
        fresh.key = numberedKey(type);
        root->children.push_back(fresh);
        typeNode = &root->children.back();
    }
    ResourceNode* nameNode = findNumbered(typeNode, name);
    if (nameNode == nullptr) {
        ResourceNode fresh;
        fresh.key = numberedKey(name);
        typeNode->children.push_back(fresh);
        nameNode = &typeNode->children.back();
    }
    nameNode->children.clear();
    ResourceNode data = leaf;
    data.leaf = true;
    data.key = numberedKey(language);
    nameNode->children.push_back(data);
}

bool layoutResourceSection(ResourceNode* root, uint32_t sectionRva, ResourceSectionLayout* out,
                           std::string* error) {
    sortTree(root);
    // Directories breadth first: the root, the types, the names.
    std::vector<const ResourceNode*> directories{root};
    for (size_t i = 0; i < directories.size(); ++i) {
        for (const ResourceNode& child : directories[i]->children) {
            if (!child.leaf)
                directories.push_back(&child);
        }
    }
    std::unordered_map<const ResourceNode*, uint32_t> directoryAt;
    uint64_t offset = 0;
    for (const ResourceNode* d : directories) {
        directoryAt[d] = static_cast<uint32_t>(offset);
        offset += kDirectoryHeaderSize + kDirectoryEntrySize * d->children.size();
    }
    std::unordered_map<const ResourceNode*, uint32_t> nameAt;
    std::vector<const ResourceNode*> leaves;
    for (const ResourceNode* d : directories) {
        for (const ResourceNode& child : d->children) {
            if (child.key.named) {
                nameAt[&child] = static_cast<uint32_t>(offset);
                offset += 2 + 2 * child.key.name.size();
            }
            if (child.leaf)
                leaves.push_back(&child);
        }
    }
    offset = alignUp(offset, 8);
    std::unordered_map<const ResourceNode*, uint32_t> entryAt;
    for (const ResourceNode* leaf : leaves) {
        entryAt[leaf] = static_cast<uint32_t>(offset);
        offset += kDataEntrySize;
    }
    size_t headSize = static_cast<size_t>(offset);
    out->blobs.clear();
    for (const ResourceNode* leaf : leaves) {
        offset = alignUp(offset, 8);
        out->blobs.push_back({static_cast<uint32_t>(offset), leaf});
        offset += leaf->size;
    }
    out->size = offset;
    if (uint64_t(sectionRva) + offset > 0xFFFFFFFFu) {
        *error = "resources would not fit a 32-bit image";
        return false;
    }

    std::vector<unsigned char>& head = out->head;
    head.assign(headSize, 0);
    for (const ResourceNode* d : directories) {
        unsigned char* at = head.data() + directoryAt[d];
        writeU32(at, d->characteristics);
        writeU32(at + 4, d->timeDateStamp);
        writeU16(at + 8, d->majorVersion);
        writeU16(at + 10, d->minorVersion);
        uint16_t named = 0;
        for (const ResourceNode& child : d->children)
            named = static_cast<uint16_t>(named + (child.key.named ? 1 : 0));
        writeU16(at + 12, named);
        writeU16(at + 14, static_cast<uint16_t>(d->children.size() - named));
        at += kDirectoryHeaderSize;
        for (const ResourceNode& child : d->children) {
            writeU32(at, child.key.named ? (kHighBit | nameAt[&child]) : child.key.id);
            writeU32(at + 4, child.leaf ? entryAt[&child] : (kHighBit | directoryAt[&child]));
            at += kDirectoryEntrySize;
        }
    }
    for (const auto& name : nameAt) {
        unsigned char* at = head.data() + name.second;
        const std::u16string& text = name.first->key.name;
        writeU16(at, static_cast<uint16_t>(text.size()));
        for (size_t i = 0; i < text.size(); ++i)
            writeU16(at + 2 + 2 * i, static_cast<uint16_t>(text[i]));
    }
    for (const ResourceSectionLayout::Blob& blob : out->blobs) {
        unsigned char* at = head.data() + entryAt[blob.leaf];
        writeU32(at, sectionRva + blob.offset);
        writeU32(at + 4, blob.leaf->size);
        writeU32(at + 8, blob.leaf->codePage);
    }
    return true;
}

}  // namespace azpack
