// The payload container: the one definition of its layout, shared by the
// installer's reader and by the azpack writer. All integers little-endian.
//
// Payload (the bytes of resource "QX_TYPE"/"QX_AZARCH", language 1036):
//   OFFSET      SIZE          CONTENT
//   0           6             signature "MWZ100" (readers check "MWZ" only)
//   6           2             two zero bytes
//   8           8 + c0        chunk 0: PayloadHeader (2444 bytes decoded)
//   16 + c0     8 + c1        chunk 1: entry table = image of an index file
//   dataStart   to the end    one chunk per entry, at dataStart + entry value
//   dataStart = c0 + c1 + 24
//
// Chunk:
//   0  4  uncompressedSize  uint32, bytes the stream decodes to
//   4  4  compressedSize    uint32, bytes of the zlib stream that follows
//   8  compressedSize       one RFC 1950 zlib stream (0x78 0xDA from azpack)
//
// Index file (the decoded entry table): a root page of 7176 bytes at 0, then
// pages of 7168 bytes at the offsets the links name.
// Page:
//   0     4     ownPosition    int32, this page's offset in the file
//   4     4     usedBytes      int32, bytes of the entry area in use, 0..7156
//   8     4     leftChild      int32, page of names before the first entry, -1
//   12    7156  entry area     entries back to back, no padding
//   7168  4     rootReserved1  root only: -1 in a new index, or the checksum
//   7172  4     rootReserved2  root only: 1 in a new index, or kChecksumMark
// Entry (9 + n bytes):
//   0  4  child   int32, page of names between this entry and the next, -1
//   4  4  value   int32, chunk offset counted from dataStart
//   8  n+1 name   n bytes (n <= 1023) and a zero byte; backslash-separated
// Within a page entries ascend by name (plain byte order in payloads); the
// tree is at most 8 pages deep counting the root; pages other than the root
// hold at least one entry.
//
// Checksum: when the table's rootReserved2 is kChecksumMark, rootReserved1 is
// the CRC-32 (zlib's crc32) of the payload's bytes from dataStart to its end.
// The header and table chunks carry their own Adler-32, so together every
// byte a reader uses is checked before any entry is written. Readers that
// predate the mark never read these two words, and a table without the mark
// (1, as payloads made before it hold) is read without a check.
#ifndef AZ_PAYLOAD_LAYOUT_H
#define AZ_PAYLOAD_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace payload {

constexpr char kResourceType[] = "QX_TYPE";
constexpr char kResourceName[] = "QX_AZARCH";
constexpr uint16_t kResourceLanguage = 1036;  // French (France)

constexpr char kSignature[] = "MWZ100";
constexpr int kSignatureSize = 8;  // six characters and two zero bytes
constexpr int kSignatureCheckedBytes = 3;
constexpr int kChunkPrefixSize = 8;
constexpr int kDataStartOverhead = kSignatureSize + 2 * kChunkPrefixSize;  // 24

constexpr int kHeaderSize = 2444;
constexpr int kPageSize = 7168;
constexpr int kRootPageSize = 7176;
constexpr int kPageHeaderSize = 12;
constexpr int kEntryAreaSize = kPageSize - kPageHeaderSize;  // 7156
constexpr int kEntryFixedSize = 9;                           // child, value, zero byte
constexpr int kMaxNameLength = 1023;
constexpr int kEntryRecordSize = 8 + kMaxNameLength + 1;  // 1032
constexpr int kMaxTreeDepth = 8;
constexpr int32_t kNoPage = -1;

// Offsets inside a page and an entry.
constexpr int kPageOwnPosition = 0;
constexpr int kPageUsedBytes = 4;
constexpr int kPageLeftChild = 8;
constexpr int kPageEntries = 12;
constexpr int kRootReserved1 = 7168;
constexpr int kRootReserved2 = 7172;
constexpr uint32_t kChecksumMark = 0x3143525A;  // "ZRC1"
constexpr int kEntryChild = 0;
constexpr int kEntryValue = 4;
constexpr int kEntryName = 8;

// The settings record, chunk 0. Texts are zero-terminated within their width.
struct PayloadHeader {
    uint32_t size;  // 2444; not checked by the installer
    char language[96];
    char mainProgram[1024];
    char installFolder[260];
    int32_t reserved[5];  // 28, 1, 1, 0, 0 in payloads azpack writes
    char productName[260];
    char favoritesName[260];
    char iconFile[260];
    char startMenuName[260];
};

static_assert(sizeof(PayloadHeader) == kHeaderSize, "header record is 2444 bytes");
static_assert(offsetof(PayloadHeader, size) == 0, "size at 0");
static_assert(offsetof(PayloadHeader, language) == 4, "language at 4");
static_assert(offsetof(PayloadHeader, mainProgram) == 100, "mainProgram at 100");
static_assert(offsetof(PayloadHeader, installFolder) == 1124, "installFolder at 1124");
static_assert(offsetof(PayloadHeader, reserved) == 1384, "reserved at 1384");
static_assert(offsetof(PayloadHeader, productName) == 1404, "productName at 1404");
static_assert(offsetof(PayloadHeader, favoritesName) == 1664, "favoritesName at 1664");
static_assert(offsetof(PayloadHeader, iconFile) == 1924, "iconFile at 1924");
static_assert(offsetof(PayloadHeader, startMenuName) == 2184, "startMenuName at 2184");

inline uint32_t readU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t readI32(const unsigned char* p) {
    return static_cast<int32_t>(readU32(p));
}
inline void writeU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
inline void writeI32(unsigned char* p, int32_t v) {
    writeU32(p, static_cast<uint32_t>(v));
}

}  // namespace payload

#endif
