#include "read/payload_file.h"

#include "payload/layout.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"

namespace azpack {

bool PayloadFile::open(const std::filesystem::path& path, std::string* error) {
    if (!file_.open(path, error))
        return false;
    offset_ = 0;
    size_ = file_.size();
    inExecutable_ = PeImage::looksLikeExecutable(file_);
    if (!inExecutable_)
        return true;
    PeImage image;
    ResourceNode tree;
    if (!image.read(file_, error) || !readResourceTree(file_, image, &tree, error))
        return false;
    const ResourceNode* leaf = findResource(tree, payload::kResourceType, payload::kResourceName,
                                            payload::kResourceLanguage);
    if (leaf == nullptr) {
        *error = name() + ": executable has no payload resource (" + payload::kResourceType +
                 " / " + payload::kResourceName + ")";
        return false;
    }
    offset_ = leaf->fileOffset;
    size_ = leaf->size;
    return true;
}

bool PayloadFile::read(uint64_t at, void* buffer, size_t count, std::string* reason) {
    if (at > size_ || count > size_ - at) {
        *reason = "needs bytes " + std::to_string(at) + " to " + std::to_string(at + count) +
                  " but the payload ends at " + std::to_string(size_);
        return false;
    }
    std::string error;
    if (!file_.readExact(offset_ + at, buffer, count, &error)) {
        *reason = error;
        return false;
    }
    return true;
}

}  // namespace azpack
