#include "compress/libdeflate_blocks.h"

#include <zlib.h>

#ifdef AZPACK_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace azpack {

namespace {

constexpr int kRawWindowBits = -15;

// The zlib header of a stream compressed at the strongest level (as zlib
// writes it at level 9): deflate, 32 KiB window, check bits.
const unsigned char kZlibHeader[2] = {0x78, 0xDA};

}  // namespace

bool endOnSyncFlush(std::vector<unsigned char>* out, size_t start, size_t size,
                    std::string* error) {
    z_stream stream{};
    if (inflateInit2(&stream, kRawWindowBits) != Z_OK) {
        *error = "zlib cannot start inflating";
        return false;
    }
    std::vector<unsigned char> sink(size + 1);
    stream.next_in = out->data() + start;
    stream.avail_in = static_cast<uInt>(out->size() - start);
    stream.next_out = sink.data();
    stream.avail_out = static_cast<uInt>(sink.size());
    uint64_t lastHeaderBit = 0;  // the first block's header starts the stream
    uint64_t endBit = 0;
    int code = Z_OK;
    while (code == Z_OK) {
        code = inflate(&stream, Z_BLOCK);
        uint64_t used = stream.next_in - (out->data() + start);
        // Stopped at a block boundary: the next block's header starts here,
        // or the stream's data ends here when the block was the final one.
        if (code == Z_OK && (stream.data_type & 128) != 0) {
            uint64_t at = used * 8 - (stream.data_type & 7);
            if ((stream.data_type & 64) == 0)
                lastHeaderBit = at;
            else
                endBit = at;
        }
    }
    const bool whole = code == Z_STREAM_END && stream.avail_in == 0 && stream.total_out == size &&
                       (endBit + 7) / 8 == out->size() - start;
    inflateEnd(&stream);
    unsigned char& header = (*out)[start + lastHeaderBit / 8];
    const unsigned finalBit = 1u << (lastHeaderBit % 8);
    if (!whole || (header & finalBit) == 0) {
        *error = "libdeflate gave a stream that zlib does not read back whole";
        return false;
    }
    header &= static_cast<unsigned char>(~finalBit);
    // An empty stored block, not final, from the end of the data: three zero
    // bits, zeros to the byte boundary, then LEN 0 and NLEN 0xFFFF.
    const unsigned usedInLastByte = endBit % 8;
    if (usedInLastByte == 0 || usedInLastByte > 5)
        out->push_back(0);
    if (usedInLastByte > 0)
        (*out)[start + endBit / 8] &= static_cast<unsigned char>((1u << usedInLastByte) - 1);
    out->insert(out->end(), {0x00, 0x00, 0xFF, 0xFF});
    return true;
}

#ifdef AZPACK_LIBDEFLATE

bool libdeflateAvailable() {
    return true;
}

LibdeflateBlocks::LibdeflateBlocks(int level) : compressor_(libdeflate_alloc_compressor(level)) {}

LibdeflateBlocks::~LibdeflateBlocks() {
    libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor_));
}

bool LibdeflateBlocks::compress(const unsigned char* data, size_t size, bool first, bool last,
                                std::vector<unsigned char>* out, std::string* error) {
    auto* compressor = static_cast<libdeflate_compressor*>(compressor_);
    if (compressor == nullptr) {
        *error = "libdeflate cannot make a compressor";
        return false;
    }
    const size_t start = out->size();
    if (first && last) {
        out->resize(start + libdeflate_zlib_compress_bound(compressor, size));
        size_t made = libdeflate_zlib_compress(compressor, data, size, out->data() + start,
                                               out->size() - start);
        out->resize(start + made);
        if (made == 0)
            *error = "libdeflate: no room for the stream";
        return made != 0;
    }
    if (first) {
        out->insert(out->end(), kZlibHeader, kZlibHeader + sizeof kZlibHeader);
        firstAdler_ =
            static_cast<uint32_t>(adler32(adler32(0, nullptr, 0), data, static_cast<uInt>(size)));
    }
    const size_t raw = out->size();
    out->resize(raw + libdeflate_deflate_compress_bound(compressor, size));
    size_t made =
        libdeflate_deflate_compress(compressor, data, size, out->data() + raw, out->size() - raw);
    out->resize(raw + made);
    if (made == 0) {
        *error = "libdeflate: no room for the stream";
        return false;
    }
    return last || endOnSyncFlush(out, raw, size, error);
}

#else

bool libdeflateAvailable() {
    return false;
}

LibdeflateBlocks::LibdeflateBlocks(int) {}

LibdeflateBlocks::~LibdeflateBlocks() {}

bool LibdeflateBlocks::compress(const unsigned char*, size_t, bool, bool,
                                std::vector<unsigned char>*, std::string* error) {
    *error = "this azpack was built without libdeflate: levels 10-12 are not available";
    return false;
}

#endif

}  // namespace azpack
