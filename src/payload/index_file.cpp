#include "payload/index_file.h"

#include <sys/stat.h>

#include <cstring>

#include "payload/page_cache.h"
#include "payload/page_io.h"

namespace {

using namespace payload;

constexpr int kOpenError = 0;
constexpr int kCloseError = 2;

// Pages cannot overlap in a sound file, so no walk needs to enter more pages
// than fit after the root.
int32_t pagesThatFit(int64_t fileSize) {
    if (fileSize <= kRootPageSize)
        return 0;
    int64_t pages = (fileSize - kRootPageSize) / kPageSize;
    return pages > INT32_MAX ? INT32_MAX : static_cast<int32_t>(pages);
}

void abandon(IndexFile& file) {
    if (!file.borrowed)
        closeDescriptor(file.descriptor);
    file.descriptor = -1;
}

}  // namespace

int openExisting(const char* path, IndexFile& file) {
    int descriptor = openForUpdate(path);
    if (descriptor < 0) {
        reportIndexError(kOpenError, 0);
        return 0;
    }
    if (!openOnDescriptor(descriptor, file)) {
        closeDescriptor(descriptor);
        return 0;
    }
    file.borrowed = 0;
    return 1;
}

int openOnDescriptor(int descriptor, IndexFile& file) {
    file.descriptor = descriptor;
    file.borrowed = 1;
    file.rootModified = 0;
    memset(file.rootImage, 0, sizeof file.rootImage);
    if (!readAt(file.descriptor, 0, file.rootImage, kRootPageSize)) {
        abandon(file);
        return 0;
    }
    file.pageLimit = pagesThatFit(descriptorSize(file.descriptor));
    preparePageCache();
    rewindToStart(file);
    return 1;
}

int createNew(const char* path, IndexFile& file) {
    file.descriptor = createForUpdate(path);
    if (file.descriptor < 0) {
        reportIndexError(kOpenError, 0);
        return 0;
    }
    file.borrowed = 0;
    file.rootModified = 0;
    unsigned char* root = file.rootImage;
    memset(root, 0, sizeof file.rootImage);
    writeI32(root + kRootReserved2, 1);
    writeI32(root + kRootReserved1, kNoPage);
    writeI32(root + kPageOwnPosition, 0);
    writeI32(root + kPageUsedBytes, 0);
    writeI32(root + kPageLeftChild, kNoPage);
    file.depth = 0;
    file.path[0] = {0, -1};
    if (!writeAt(file.descriptor, 0, root, kRootPageSize)) {
        abandon(file);
        return 0;
    }
    file.pageLimit = 0;
    preparePageCache();
    rewindToStart(file);
    return 1;
}

int closeIndex(IndexFile& file) {
    if (file.rootModified) {
        writeAt(file.descriptor, 0, file.rootImage, kRootPageSize);
        file.rootModified = 0;
    }
    releasePages(file.descriptor);
    if (!file.borrowed && !closeDescriptor(file.descriptor))
        reportIndexError(kCloseError, 0);
    file.descriptor = -1;
    return 1;
}

int fileExists(const char* path) {
    struct stat status;
    return path != nullptr && stat(path, &status) == 0;
}

void reportIndexError(int, int32_t) {}
