#include "read/payload_verify.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "names/windows_names.h"

namespace azpack {

namespace {

constexpr size_t kChecksumPiece = size_t(1) << 20;

// The data area's CRC-32 against the one the table carries.
bool checkDataChecksum(PayloadFile& payload, const PayloadIndex& index, std::string* reason) {
    std::vector<unsigned char> piece(kChecksumPiece);
    uLong crc = 0;
    for (uint64_t at = index.dataStart; at < payload.size();) {
        size_t count = static_cast<size_t>(std::min<uint64_t>(piece.size(), payload.size() - at));
        if (!payload.read(at, piece.data(), count, reason))
            return false;
        crc = crc32_z(crc, piece.data(), count);
        at += count;
    }
    if (crc == index.checksum)
        return true;
    char text[64];
    std::snprintf(text, sizeof text, "%08lX, the table records %08X", crc,
                  static_cast<unsigned>(index.checksum));
    *reason = std::string("damaged: the data area's CRC-32 is ") + text;
    return false;
}

class Discard : public ChunkOutput {
  public:
    bool write(const unsigned char*, size_t, std::string*) override { return true; }
};

}  // namespace

bool verifyPayload(PayloadFile& payload, PayloadIndex* index, uint64_t* decodedBytes,
                   std::string* reason) {
    *decodedBytes = 0;
    if (!readPayloadIndex(payload, IndexCheck::kFull, index, reason))
        return false;
    if (index->hasChecksum && !checkDataChecksum(payload, *index, reason))
        return false;
    Discard discard;
    for (const PayloadEntry& entry : index->entries) {
        if (!decodeChunk(payload, index->dataStart + uint64_t(entry.value), entry.chunk, &discard,
                         reason)) {
            *reason = "entry " + quoteName(entry.name) + ": " + *reason;
            return false;
        }
        *decodedBytes += entry.chunk.uncompressedSize;
    }
    return true;
}

}  // namespace azpack
