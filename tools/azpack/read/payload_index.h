// A payload's header and entry table read back and checked: what list and
// extract show and write, and the structural half of verify.
//
// Every read checks what a reader must rely on (chunks inside the payload,
// pages where their links say, entries inside their pages, names ascending
// in the walk, a tree of at most 8 levels with no empty page below the root).
// A full check adds what the layout promises beyond that: the exact
// signature, a 2444-byte header with terminated, zero-padded texts and the
// reserved values, zero bytes after each page's entries, no page left out of
// the tree, names that Windows can store and that differ in more than case,
// and chunks lying back to back from the data start to the end, one per
// entry.
#ifndef AZPACK_PAYLOAD_INDEX_H
#define AZPACK_PAYLOAD_INDEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "compress/chunk_decoder.h"
#include "payload/layout.h"
#include "read/payload_file.h"

namespace azpack {

struct PayloadEntry {
    std::string name;  // Windows-1252
    int32_t value = 0;
    ChunkPrefix chunk;
};

struct PayloadIndex {
    unsigned char header[payload::kHeaderSize] = {};
    ChunkPrefix headerChunk;
    ChunkPrefix tableChunk;
    uint64_t dataStart = 0;
    int pageCount = 0;
    int depth = 0;
    std::vector<PayloadEntry> entries;  // in walk order
    bool hasChecksum = false;           // the table carries the data area's CRC-32
    uint32_t checksum = 0;
};

enum class IndexCheck { kRead, kFull };

// Reads the header and the table; the first fault found is the reason.
bool readPayloadIndex(PayloadFile& payload, IndexCheck check, PayloadIndex* index,
                      std::string* reason);

// A text field of the header record, up to its first zero byte.
std::string headerText(const PayloadIndex& index, size_t offset, size_t width);

}  // namespace azpack

#endif
