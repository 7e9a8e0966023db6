// zlib compression of file contents in independent blocks, so that the
// blocks of one large file can be compressed at the same time and still form
// one zlib stream.
//
// A file of at most kBlockSize bytes is one block and one ordinary zlib
// stream, byte for byte what zlib's compress2 gives. A larger file is cut at
// multiples of kBlockSize: the first block carries the zlib header, each
// later one is raw deflate primed with the 32 KiB before it (so matches may
// reach back across the cut), every block but the last ends on a sync flush
// (byte aligned, not final), and the stream ends with the Adler-32 of the
// whole file, combined from the blocks' own checksums. The cut points depend
// on the file size alone, so the output never depends on the thread count.
// Where azpack is built with libdeflate, levels 1-12 are libdeflate's (see
// libdeflate_blocks.h), whose later blocks are not primed: at each level
// from 6 to 9 it is both smaller and faster than zlib's. Otherwise levels
// 1-9 are zlib's. Level 0 (stored) is zlib's. The header record and the
// table are always zlib's, at the level given or 9 if it is higher.
#ifndef AZPACK_BLOCK_COMPRESSOR_H
#define AZPACK_BLOCK_COMPRESSOR_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "compress/libdeflate_blocks.h"

namespace azpack {

constexpr size_t kBlockSize = size_t(1) << 20;
constexpr size_t kDictionarySize = size_t(1) << 15;

// Blocks a file of `size` bytes is cut into; at least one.
uint64_t blockCount(uint64_t size);

class BlockCompressor {
  public:
    explicit BlockCompressor(int level);
    ~BlockCompressor();
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    // Compresses one block and appends its bytes to `out`. `dictionary` is
    // the data just before the block (none for the first). A block that is
    // both first and last is a complete stream with its trailer; the caller
    // ends a multi-block stream with appendAdler.
    bool compress(const unsigned char* data, size_t size, const unsigned char* dictionary,
                  size_t dictionarySize, bool first, bool last, std::vector<unsigned char>* out,
                  std::string* error);
    // After compressing a first block: the Adler-32 of its data, which the
    // zlib stream computed on the way (later blocks are raw deflate and
    // carry none).
    uint32_t firstBlockAdler() const;

    // Deflates all of `data` with `flush`, appending to `out`.
    static bool deflateAll(z_stream* stream, const unsigned char* data, size_t size, int flush,
                           std::vector<unsigned char>* out, std::string* error);

  private:
    int level_;
    LibdeflateBlocks* libdeflate_ = nullptr;  // owned; for levels above 9
    z_stream wrapped_{};                      // zlib header, for the first block
    z_stream raw_{};                          // headerless, for later blocks
    bool wrappedReady_ = false;
    bool rawReady_ = false;
};

// The Adler-32 trailer of a multi-block stream, appended by the writer once
// the checksum of every block is known.
void appendAdler(uint32_t adler, std::vector<unsigned char>* out);

// One whole buffer as one zlib stream (the header record and the table).
bool compressWhole(const unsigned char* data, size_t size, int level,
                   std::vector<unsigned char>* out, std::string* error);

// Room that always holds the stream compressToSize makes of `size` bytes.
size_t paddedStreamRoom(size_t size);

// One whole buffer as one zlib stream of exactly `streamSize` bytes: the data
// compressed as compressWhole would, ending on a sync flush, then deflate
// blocks that carry no data (the last one final) and the Adler-32 trailer.
// Lets a writer reserve a stream's room before it knows the data. Any
// `streamSize` of at least paddedStreamRoom(size) works.
bool compressToSize(const unsigned char* data, size_t size, int level, size_t streamSize,
                    std::vector<unsigned char>* out, std::string* error);

}  // namespace azpack

#endif
