#include "compress/block_compressor.h"

namespace azpack {

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;  // zlib's default, as compress2 uses

// Beyond compressBound: the sync flush marker and the shortest final block.
constexpr size_t kPaddingSlack = 16;

std::string zlibFailure(int code) {
    return std::string("zlib error ") + std::to_string(code) + " while compressing";
}

// Deflate blocks that carry no data, written bit by bit (least significant
// bit first, as deflate packs them) from a byte boundary.
class EmptyBlocks {
  public:
    explicit EmptyBlocks(std::vector<unsigned char>* out) : out_(out) {}
    // Fixed Huffman codes, nothing but the end-of-block code: 10 bits.
    void fixed(bool final) {
        put(final ? 1 : 0, 1);
        put(1, 2);
        put(0, 7);
    }
    // Stored, length 0: 3 bits, up to the next byte, then LEN and NLEN.
    void stored(bool final) {
        put(final ? 1 : 0, 1);
        put(0, 2);
        align();
        out_->insert(out_->end(), {0x00, 0x00, 0xFF, 0xFF});
    }
    void align() {
        if (count_ > 0)
            out_->push_back(static_cast<unsigned char>(bits_));
        bits_ = 0;
        count_ = 0;
    }

  private:
    void put(unsigned value, int width) {
        for (int i = 0; i < width; ++i) {
            bits_ |= ((value >> i) & 1u) << count_;
            if (++count_ == 8) {
                out_->push_back(static_cast<unsigned char>(bits_));
                bits_ = 0;
                count_ = 0;
            }
        }
    }

    std::vector<unsigned char>* out_;
    unsigned bits_ = 0;
    int count_ = 0;
};

// Exactly `bytes` (at least 2) of empty blocks, the last one final.
void padWithEmptyBlocks(size_t bytes, std::vector<unsigned char>* out) {
    EmptyBlocks blocks(out);
    for (size_t i = 0; i < (bytes - 2) / 5; ++i)
        blocks.stored(false);  // 5 bytes each
    switch ((bytes - 2) % 5) {
        case 0:  // 10 bits: 2 bytes
            blocks.fixed(true);
            break;
        case 1:  // 20 bits: 3 bytes
            blocks.fixed(false);
            blocks.fixed(true);
            break;
        case 2:  // 30 bits: 4 bytes
            blocks.fixed(false);
            blocks.fixed(false);
            blocks.fixed(true);
            break;
        case 3:  // 5 bytes
            blocks.stored(true);
            break;
        default:  // 10 + 3 bits, to the byte, then 4 bytes: 6 bytes
            blocks.fixed(false);
            blocks.stored(true);
            break;
    }
    blocks.align();
}

// The header record and the table are zlib's whatever the level.
int zlibLevel(int level) {
    return level > kStrongestZlibLevel ? kStrongestZlibLevel : level;
}

}  // namespace

uint64_t blockCount(uint64_t size) {
    return size == 0 ? 1 : (size + kBlockSize - 1) / kBlockSize;
}

BlockCompressor::BlockCompressor(int level) : level_(level) {
    if (level > 0 && libdeflateAvailable())
        libdeflate_ = new LibdeflateBlocks(level);
}

uint32_t BlockCompressor::firstBlockAdler() const {
    return libdeflate_ != nullptr ? libdeflate_->firstBlockAdler()
                                  : static_cast<uint32_t>(wrapped_.adler);
}

BlockCompressor::~BlockCompressor() {
    delete libdeflate_;
    if (wrappedReady_)
        deflateEnd(&wrapped_);
    if (rawReady_)
        deflateEnd(&raw_);
}

bool BlockCompressor::deflateAll(z_stream* stream, const unsigned char* data, size_t size,
                                 int flush, std::vector<unsigned char>* out, std::string* error) {
    size_t start = out->size();
    out->resize(start + deflateBound(stream, static_cast<uLong>(size)) + 64);
    stream->next_in = const_cast<Bytef*>(data);
    stream->avail_in = static_cast<uInt>(size);
    stream->next_out = out->data() + start;
    stream->avail_out = static_cast<uInt>(out->size() - start);
    while (true) {
        int code = deflate(stream, flush);
        if (code == Z_STREAM_END)
            break;
        if (code != Z_OK && code != Z_BUF_ERROR) {
            *error = zlibFailure(code);
            return false;
        }
        if (flush != Z_FINISH && stream->avail_in == 0 && stream->avail_out != 0)
            break;
        if (stream->avail_out == 0) {
            size_t written = out->size() - stream->avail_out - start;
            out->resize(out->size() + 65536);
            stream->next_out = out->data() + start + written;
            stream->avail_out = static_cast<uInt>(out->size() - start - written);
        }
    }
    out->resize(out->size() - stream->avail_out);
    return true;
}

bool BlockCompressor::compress(const unsigned char* data, size_t size,
                               const unsigned char* dictionary, size_t dictionarySize, bool first,
                               bool last, std::vector<unsigned char>* out, std::string* error) {
    if (libdeflate_ != nullptr)
        return libdeflate_->compress(data, size, first, last, out, error);
    int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    if (first) {
        int code = wrappedReady_ ? deflateReset(&wrapped_)
                                 : deflateInit2(&wrapped_, level_, Z_DEFLATED, kWindowBits,
                                                kMemoryLevel, Z_DEFAULT_STRATEGY);
        if (code != Z_OK) {
            *error = zlibFailure(code);
            return false;
        }
        wrappedReady_ = true;
        return deflateAll(&wrapped_, data, size, flush, out, error);
    }
    int code = rawReady_ ? deflateReset(&raw_)
                         : deflateInit2(&raw_, level_, Z_DEFLATED, -kWindowBits, kMemoryLevel,
                                        Z_DEFAULT_STRATEGY);
    if (code != Z_OK) {
        *error = zlibFailure(code);
        return false;
    }
    rawReady_ = true;
    if (dictionarySize > 0) {
        code = deflateSetDictionary(&raw_, dictionary, static_cast<uInt>(dictionarySize));
        if (code != Z_OK) {
            *error = zlibFailure(code);
            return false;
        }
    }
    return deflateAll(&raw_, data, size, flush, out, error);
}

void appendAdler(uint32_t adler, std::vector<unsigned char>* out) {
    out->push_back(static_cast<unsigned char>(adler >> 24));
    out->push_back(static_cast<unsigned char>(adler >> 16));
    out->push_back(static_cast<unsigned char>(adler >> 8));
    out->push_back(static_cast<unsigned char>(adler));
}

size_t paddedStreamRoom(size_t size) {
    return compressBound(static_cast<uLong>(size)) + kPaddingSlack;
}

bool compressToSize(const unsigned char* data, size_t size, int level, size_t streamSize,
                    std::vector<unsigned char>* out, std::string* error) {
    z_stream stream{};
    int code = deflateInit2(&stream, zlibLevel(level), Z_DEFLATED, kWindowBits, kMemoryLevel,
                            Z_DEFAULT_STRATEGY);
    if (code != Z_OK) {
        *error = zlibFailure(code);
        return false;
    }
    out->clear();
    bool ok = BlockCompressor::deflateAll(&stream, data, size, Z_SYNC_FLUSH, out, error);
    const uint32_t adler = static_cast<uint32_t>(stream.adler);
    deflateEnd(&stream);  // unfinished on purpose: its complaint means nothing here
    if (!ok)
        return false;
    const size_t trailer = 4;
    if (out->size() + 2 + trailer > streamSize) {
        *error = "no room for a stream of " + std::to_string(size) + " bytes in " +
                 std::to_string(streamSize);
        return false;
    }
    padWithEmptyBlocks(streamSize - out->size() - trailer, out);
    appendAdler(adler, out);
    return true;
}

bool compressWhole(const unsigned char* data, size_t size, int level,
                   std::vector<unsigned char>* out, std::string* error) {
    uLongf length = compressBound(static_cast<uLong>(size));
    out->resize(length);
    int code = compress2(out->data(), &length, data, static_cast<uLong>(size), zlibLevel(level));
    if (code != Z_OK) {
        *error = zlibFailure(code);
        return false;
    }
    out->resize(length);
    return true;
}

}  // namespace azpack
