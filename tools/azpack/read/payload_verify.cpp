#include "read/payload_verify.h"

#include "names/windows_names.h"

namespace azpack {

namespace {

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
