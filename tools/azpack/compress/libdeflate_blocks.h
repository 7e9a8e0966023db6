// The blocks of BlockCompressor made by libdeflate (levels 1-12), for the
// host build when libdeflate is there. libdeflate compresses whole buffers
// into complete streams, so a block that is not the last is made to end as
// zlib's sync flush does: the final-block bit of its last deflate block is
// cleared (found by walking the blocks with zlib's own inflate) and an empty
// stored block follows. Later blocks are not primed with the data before
// them: libdeflate takes no dictionary. Every stream is decoded by zlib.
#ifndef AZPACK_LIBDEFLATE_BLOCKS_H
#define AZPACK_LIBDEFLATE_BLOCKS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace azpack {

// The strongest zlib level; levels above it are libdeflate's.
constexpr int kStrongestZlibLevel = 9;
constexpr int kStrongestLevel = 12;

// True when this azpack was built with libdeflate.
bool libdeflateAvailable();

class LibdeflateBlocks {
  public:
    explicit LibdeflateBlocks(int level);
    ~LibdeflateBlocks();
    LibdeflateBlocks(const LibdeflateBlocks&) = delete;
    LibdeflateBlocks& operator=(const LibdeflateBlocks&) = delete;

    // As BlockCompressor::compress, without a dictionary.
    bool compress(const unsigned char* data, size_t size, bool first, bool last,
                  std::vector<unsigned char>* out, std::string* error);
    uint32_t firstBlockAdler() const { return firstAdler_; }

  private:
    void* compressor_ = nullptr;
    uint32_t firstAdler_ = 1;
};

// Turns the complete raw deflate stream of `size` bytes of data at
// out[start..] into one that is not final and ends byte-aligned on an empty
// stored block, as a sync flush ends. false when the stream is not valid.
bool endOnSyncFlush(std::vector<unsigned char>* out, size_t start, size_t size, std::string* error);

}  // namespace azpack

#endif
