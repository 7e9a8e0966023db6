// libFuzzer target: arbitrary bytes through extraction and both walks.
//
// The first input byte picks what the rest is. Even: a whole payload file.
// Odd: a decoded entry table, wrapped here in a sound payload (stored zlib
// blocks, a sound header), since damage inside a compressed table is almost
// always caught by its checksum and would never reach the walker.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/entry_index.h"
#include "payload/extract.h"
#include "payload/layout.h"

namespace {

// More than a walk of any input within the length limit can yield: reaching
// it means the walk did not end.
constexpr size_t kWalkBound = 50000000;

struct Scratch {
    std::string copy;
    std::string index;
    Scratch() {
        const char* base = getenv("TMPDIR");
        std::string folder = std::string(base && *base ? base : "/tmp") + "/azfuzz.XXXXXX";
        std::vector<char> name(folder.begin(), folder.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == nullptr)
            abort();
        copy = std::string(name.data()) + "/TARCH.AZ";
        index = std::string(name.data()) + "/1a2b.AX";
    }
};

void appendChunk(std::vector<unsigned char>& out, const unsigned char* data, size_t size,
                 int level) {
    uLongf streamSize = compressBound(static_cast<uLong>(size));
    std::vector<unsigned char> stream(streamSize);
    if (compress2(stream.data(), &streamSize, data, static_cast<uLong>(size), level) != Z_OK)
        abort();
    unsigned char prefix[payload::kChunkPrefixSize];
    payload::writeU32(prefix, static_cast<uint32_t>(size));
    payload::writeU32(prefix + 4, static_cast<uint32_t>(streamSize));
    out.insert(out.end(), prefix, prefix + sizeof prefix);
    out.insert(out.end(), stream.data(), stream.data() + streamSize);
}

std::vector<unsigned char> wrappedTable(const unsigned char* table, size_t size) {
    static std::vector<unsigned char> head;
    if (head.empty()) {
        payload::PayloadHeader header;
        memset(&header, 0, sizeof header);
        header.size = payload::kHeaderSize;
        strcpy(header.mainProgram, "Demo.exe");
        strcpy(header.installFolder, "%programfiles%\\Demo");
        head.assign(payload::kSignatureSize, 0);  // "MWZ100" and two zero bytes
        memcpy(head.data(), payload::kSignature, strlen(payload::kSignature));
        appendChunk(head, reinterpret_cast<const unsigned char*>(&header), sizeof header, 9);
    }
    std::vector<unsigned char> bytes = head;
    appendChunk(bytes, table, size, 0);
    return bytes;
}

void writeAll(const std::string& path, const unsigned char* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        abort();
    if (size > 0 && fwrite(data, 1, size, file) != size)
        abort();
    fclose(file);
}

size_t walk(EntryIndex& index, int backward) {
    index.setDirection(backward);
    TextBuffer name(260);
    int32_t value = 0;
    size_t count = 0;
    while (index.next(name, value) == 1) {
        if (name.text == nullptr || strlen(name.text) > payload::kMaxNameLength)
            abort();
        if (++count > kWalkBound)
            abort();
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        std::vector<unsigned char> bytes = wrappedTable(data + 1, size - 1);
        writeAll(scratch.copy, bytes.data(), bytes.size());
    } else {
        writeAll(scratch.copy, data + 1, size - 1);
    }

    TextBuffer copyPath(scratch.copy.c_str());
    payload::PayloadHeader header;
    memset(&header, 0, sizeof header);
    FILE* stream = nullptr;
    int32_t dataStart = 0;
    int extracted =
        extractPayload(nullptr, copyPath, header, scratch.index.c_str(), stream, dataStart);
    if (extracted == 1) {
        if (stream == nullptr || dataStart < payload::kDataStartOverhead ||
            ftell(stream) != dataStart)
            abort();
        {
            EntryIndex index(scratch.index.c_str(), 0);
            if (index.isOpen()) {
                walk(index, 0);
                walk(index, 1);
            }
        }
        fclose(stream);
    } else if (stream != nullptr || dataStart != 0 || fopen(scratch.index.c_str(), "rb")) {
        abort();  // a failure must leave no stream and no index file
    }
    remove(scratch.index.c_str());
    remove(scratch.copy.c_str());
    return 0;
}
