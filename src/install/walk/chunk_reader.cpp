#include "install/walk/chunk_reader.h"

#include <io.h>
#include <zlib.h>

#include <cstdlib>

#include "payload/layout.h"

ChunkReader::ChunkReader(FILE* stream, int32_t dataStart)
    : stream_(stream), dataStart_(dataStart), copySize_(-1) {
    if (stream_ != nullptr)
        copySize_ = _filelengthi64(_fileno(stream_));
}

ChunkReader::~ChunkReader() {
    release();
}

void ChunkReader::release() {
    std::free(compressed_);
    std::free(decoded_);
    compressed_ = decoded_ = nullptr;
    compressedRoom_ = decodedRoom_ = length_ = 0;
}

int ChunkReader::reserve(unsigned char*& block, size_t& room, size_t size) {
    if (size == 0)
        size = 1;
    if (size <= room)
        return 1;
    // The old content is not needed: no realloc, no copy.
    std::free(block);
    block = static_cast<unsigned char*>(std::malloc(size));
    room = block ? size : 0;
    return block ? 1 : 0;
}

int ChunkReader::decode(int32_t entryOffset) {
    length_ = 0;
    large_ = 0;
    compressedSize_ = 0;
    decodedLimit_ = 0;
    if (stream_ == nullptr || copySize_ < 0 || entryOffset < 0)
        return 0;
    const int64_t offset = dataStart_ + entryOffset;
    if (offset > copySize_ - payload::kChunkPrefixSize)
        return 0;
    if (_fseeki64(stream_, offset, SEEK_SET) != 0)
        return 0;

    unsigned char prefix[payload::kChunkPrefixSize];
    if (std::fread(prefix, 1, sizeof prefix, stream_) != sizeof prefix)
        return 0;
    const uint32_t decodedSize = payload::readU32(prefix);
    const uint32_t compressedSize = payload::readU32(prefix + 4);
    // Checked against the copy before anything is allocated: a size that
    // claims gigabytes costs nothing when the bytes are not there.
    if (compressedSize > copySize_ - offset - payload::kChunkPrefixSize)
        return 0;

    // Deflate turns one byte into at most 1032: a stated size above that
    // bound is never reached, so the block is cut to it. A lying prefix then
    // costs no gigabytes, and the outcome does not hang on the memory at hand.
    const uint64_t reachable = static_cast<uint64_t>(compressedSize) * 1032 + 1024;
    const uint64_t capacity = decodedSize < reachable ? decodedSize : reachable;
    if (capacity > kWholeBound || compressedSize > kWholeBound) {
        large_ = 1;
        compressedSize_ = compressedSize;
        decodedLimit_ = capacity;
        return 1;
    }

    if (!reserve(compressed_, compressedRoom_, compressedSize))
        return 0;
    if (!reserve(decoded_, decodedRoom_, static_cast<size_t>(capacity)))
        return 0;
    if (std::fread(compressed_, 1, compressedSize, stream_) != compressedSize)
        return 0;

    uLongf produced = static_cast<uLongf>(capacity);
    if (uncompress(decoded_, &produced, compressed_, compressedSize) != Z_OK)
        return 0;
    length_ = produced;
    return 1;
}
