#include "compress/chunk_decoder.h"

#include <zlib.h>

#include "payload/layout.h"

namespace azpack {

namespace {

constexpr size_t kPiece = 1 << 18;
// Deflate cannot expand data by more than about 1032 to 1.
constexpr uint64_t kMaxExpansion = 1032;

class MemoryOutput : public ChunkOutput {
  public:
    explicit MemoryOutput(std::vector<unsigned char>* out) : out_(out) {}
    bool write(const unsigned char* data, size_t size, std::string*) override {
        out_->insert(out_->end(), data, data + size);
        return true;
    }

  private:
    std::vector<unsigned char>* out_;
};

}  // namespace

bool readChunkPrefix(PayloadFile& payload, uint64_t at, ChunkPrefix* prefix, std::string* reason) {
    unsigned char bytes[payload::kChunkPrefixSize];
    if (!payload.read(at, bytes, sizeof bytes, reason)) {
        *reason = "chunk prefix at offset " + std::to_string(at) + " " + *reason;
        return false;
    }
    prefix->uncompressedSize = payload::readU32(bytes);
    prefix->compressedSize = payload::readU32(bytes + 4);
    if (prefix->compressedSize == 0) {
        *reason = "chunk at offset " + std::to_string(at) + " has an empty stream";
        return false;
    }
    uint64_t end = at + payload::kChunkPrefixSize + prefix->compressedSize;
    if (end > payload.size()) {
        *reason = "chunk at offset " + std::to_string(at) + " runs to byte " + std::to_string(end) +
                  ", past the end of the payload (" + std::to_string(payload.size()) + ")";
        return false;
    }
    return true;
}

bool decodeChunk(PayloadFile& payload, uint64_t at, const ChunkPrefix& prefix, ChunkOutput* out,
                 std::string* reason) {
    const std::string where = "chunk at offset " + std::to_string(at) + ": ";
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        *reason = where + "zlib cannot start";
        return false;
    }
    std::vector<unsigned char> input(kPiece);
    std::vector<unsigned char> output(kPiece);
    uint64_t inputAt = at + payload::kChunkPrefixSize;
    uint64_t inputLeft = prefix.compressedSize;
    uint64_t produced = 0;
    int code = Z_OK;
    bool ok = true;
    while (ok && code != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            if (inputLeft == 0)
                break;
            size_t count = inputLeft < kPiece ? static_cast<size_t>(inputLeft) : kPiece;
            if (!payload.read(inputAt, input.data(), count, reason)) {
                *reason = where + *reason;
                ok = false;
                break;
            }
            inputAt += count;
            inputLeft -= count;
            stream.next_in = input.data();
            stream.avail_in = static_cast<uInt>(count);
        }
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        code = inflate(&stream, Z_NO_FLUSH);
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR) {
            *reason = where + "not a valid zlib stream (" +
                      (stream.msg != nullptr ? stream.msg : "zlib error " + std::to_string(code)) +
                      ")";
            ok = false;
            break;
        }
        size_t made = output.size() - stream.avail_out;
        produced += made;
        if (produced > prefix.uncompressedSize) {
            *reason = where + "decodes to more than its stated " +
                      std::to_string(prefix.uncompressedSize) + " bytes";
            ok = false;
            break;
        }
        if (made > 0 && !out->write(output.data(), made, reason))
            ok = false;
    }
    uint64_t unused = inputLeft + stream.avail_in;
    inflateEnd(&stream);
    if (!ok)
        return false;
    if (code != Z_STREAM_END) {
        *reason = where + "zlib stream is cut short (" + std::to_string(prefix.compressedSize) +
                  " bytes hold no complete stream)";
        return false;
    }
    if (unused != 0) {
        *reason = where + "zlib stream ends " + std::to_string(unused) +
                  " bytes before the stated compressed size";
        return false;
    }
    if (produced != prefix.uncompressedSize) {
        *reason = where + "decodes to " + std::to_string(produced) + " bytes, not the stated " +
                  std::to_string(prefix.uncompressedSize);
        return false;
    }
    return true;
}

bool decodeChunkToMemory(PayloadFile& payload, uint64_t at, const ChunkPrefix& prefix,
                         std::vector<unsigned char>* out, std::string* reason) {
    if (prefix.uncompressedSize > kMaxExpansion * prefix.compressedSize + 64) {
        *reason = "chunk at offset " + std::to_string(at) + " claims " +
                  std::to_string(prefix.uncompressedSize) + " bytes from a stream of " +
                  std::to_string(prefix.compressedSize);
        return false;
    }
    out->clear();
    out->reserve(prefix.uncompressedSize);
    MemoryOutput sink(out);
    return decodeChunk(payload, at, prefix, &sink, reason);
}

}  // namespace azpack
