#include "block_compressor.h"

namespace azpack {

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;  // zlib's default, as compress2 uses

std::string zlibFailure(int code) {
    return std::string("zlib error ") + std::to_string(code) + " while compressing";
}

}  // namespace

uint64_t blockCount(uint64_t size) {
    return size == 0 ? 1 : (size + kBlockSize - 1) / kBlockSize;
}

BlockCompressor::BlockCompressor(int level) : level_(level) {}

BlockCompressor::~BlockCompressor() {
    if (wrappedReady_)
        deflateEnd(&wrapped_);
    if (rawReady_)
        deflateEnd(&raw_);
}

bool BlockCompressor::run(z_stream* stream, const unsigned char* data, size_t size, int flush,
                          std::vector<unsigned char>* out, std::string* error) {
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
        return run(&wrapped_, data, size, flush, out, error);
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
    return run(&raw_, data, size, flush, out, error);
}

void appendAdler(uint32_t adler, std::vector<unsigned char>* out) {
    out->push_back(static_cast<unsigned char>(adler >> 24));
    out->push_back(static_cast<unsigned char>(adler >> 16));
    out->push_back(static_cast<unsigned char>(adler >> 8));
    out->push_back(static_cast<unsigned char>(adler));
}

bool compressWhole(const unsigned char* data, size_t size, int level,
                   std::vector<unsigned char>* out, std::string* error) {
    uLongf length = compressBound(static_cast<uLong>(size));
    out->resize(length);
    int code = compress2(out->data(), &length, data, static_cast<uLong>(size), level);
    if (code != Z_OK) {
        *error = zlibFailure(code);
        return false;
    }
    out->resize(length);
    return true;
}

}  // namespace azpack
