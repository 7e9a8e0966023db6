#include "payload/chunk.h"

#include <zlib.h>

#include "base/allocation.h"
#include "payload/layout.h"

namespace {

// Deflate cannot expand one input byte into more than 1032 output bytes, so a
// stated size above this bound is never reached: the block is cut to it, which
// keeps a damaged prefix from asking for gigabytes.
constexpr uint64_t kMaxExpansion = 1032;
constexpr uint64_t kExpansionSlack = 1024;

int64_t bytesLeft(FILE* stream) {
#ifdef _WIN32
    int64_t here = _ftelli64(stream);
    if (here < 0 || _fseeki64(stream, 0, SEEK_END) != 0)
        return -1;
    int64_t end = _ftelli64(stream);
    if (_fseeki64(stream, here, SEEK_SET) != 0)
        return -1;
#else
    int64_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0)
        return -1;
    int64_t end = ftello(stream);
    if (fseeko(stream, here, SEEK_SET) != 0)
        return -1;
#endif
    return end < here ? -1 : end - here;
}

}  // namespace

void DecodedChunk::release() {
    freeBlock(data);
    data = nullptr;
    length = 0;
    compressedSize = 0;
}

int readChunk(FILE* stream, DecodedChunk& chunk) {
    chunk.release();
    unsigned char prefix[payload::kChunkPrefixSize];
    if (fread(prefix, 1, sizeof prefix, stream) != sizeof prefix)
        return 0;
    uint32_t statedSize = payload::readU32(prefix);
    uint32_t compressedSize = payload::readU32(prefix + 4);
    int64_t left = bytesLeft(stream);
    if (compressedSize == 0 || left < 0 || compressedSize > static_cast<uint64_t>(left))
        return 0;

    uint64_t reachable = compressedSize * kMaxExpansion + kExpansionSlack;
    uLong capacity = static_cast<uLong>(statedSize < reachable ? statedSize : reachable);
    unsigned char* compressed = static_cast<unsigned char*>(allocateBlock(compressedSize));
    unsigned char* decoded = static_cast<unsigned char*>(allocateBlock(capacity));
    int decodedOk = 0;
    uLong decodedLength = capacity;
    if (compressed != nullptr && decoded != nullptr &&
        fread(compressed, 1, compressedSize, stream) == compressedSize) {
        decodedOk = uncompress(decoded, &decodedLength, compressed, compressedSize) == Z_OK;
    }
    freeBlock(compressed);
    if (!decodedOk) {
        freeBlock(decoded);
        return 0;
    }
    chunk.data = decoded;
    chunk.length = static_cast<uint32_t>(decodedLength);
    chunk.compressedSize = compressedSize;
    return 1;
}
