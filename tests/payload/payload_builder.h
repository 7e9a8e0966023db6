// Builds payloads and index images in memory for the tests and the fuzz seed
// corpus: pages laid out by hand or as a balanced tree, zlib chunks, headers.
#ifndef AZ_TESTS_PAYLOAD_BUILDER_H
#define AZ_TESTS_PAYLOAD_BUILDER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testpayload {

using Bytes = std::vector<unsigned char>;

struct TestEntry {
    std::string name;
    int32_t value;
    int32_t child = -1;
};

struct TestPage {
    int32_t position;  // 0 for the root
    int32_t leftChild = -1;
    std::vector<TestEntry> entries;
};

using NamedValue = std::pair<std::string, int32_t>;

// The page's bytes: 7176 for the root (with -1 and 1 in its last words),
// 7168 otherwise. Entries are packed as given, without any check.
Bytes pageBytes(const TestPage& page);
// An index image holding every page at its position (gaps zero-filled).
Bytes indexImage(const std::vector<TestPage>& pages);
// Pages of a search tree over `items` (sorted by the caller) with at most
// `perPage` entries per page; the root first, at 0, the others after it.
std::vector<TestPage> balancedTree(const std::vector<NamedValue>& items, int perPage);
// How many pages deep a tree is (1 for a single root).
int treeDepth(const std::vector<TestPage>& pages);

// An 8-byte prefix (stated size, stream size) and a zlib stream of `data`.
Bytes chunk(const Bytes& data, int level = 9);
Bytes chunkWithSizes(uint32_t statedSize, const Bytes& stream);
Bytes zlibStream(const Bytes& data, int level = 9);

struct HeaderTexts {
    std::string language = "fr";
    std::string mainProgram = "Demo.exe";
    std::string installFolder = "%programfiles%\\Demo";
    std::string productName = "Demo produit";
    std::string favoritesName = "Demo favori";
    std::string iconFile = "demo.ico";
    std::string startMenuName = "Demo menu";
};
// The 2444-byte header record.
Bytes headerBytes(const HeaderTexts& texts = HeaderTexts());

// A whole payload: signature, header chunk, table chunk, data area.
Bytes payloadBytes(const Bytes& headerChunk, const Bytes& tableChunk, const Bytes& dataArea,
                   const std::string& signature = "MWZ100");

// A complete payload of files: each file's chunk in the data area, in the
// order given; the table a balanced tree of their names (sorted here) with at
// most `perPage` entries per page.
struct TestFile {
    std::string name;
    Bytes contents;
};
struct BuiltPayload {
    Bytes bytes;
    Bytes table;                      // the decoded entry table
    std::vector<NamedValue> entries;  // sorted names and chunk offsets
    int32_t dataStart;
};
BuiltPayload filePayload(const std::vector<TestFile>& files, int perPage = 1000,
                         const HeaderTexts& texts = HeaderTexts());

Bytes textBytes(const std::string& text);
void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

}  // namespace testpayload

#endif
