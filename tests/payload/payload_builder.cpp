#include "payload_builder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "payload/layout.h"

namespace testpayload {

using namespace payload;

Bytes pageBytes(const TestPage& page) {
    Bytes bytes(page.position == 0 ? kRootPageSize : kPageSize, 0);
    Bytes area;
    for (const TestEntry& entry : page.entries) {
        size_t at = area.size();
        area.resize(at + 8 + entry.name.size() + 1, 0);
        writeI32(&area[at + kEntryChild], entry.child);
        writeI32(&area[at + kEntryValue], entry.value);
        std::copy(entry.name.begin(), entry.name.end(), area.begin() + at + kEntryName);
    }
    writeI32(bytes.data() + kPageOwnPosition, page.position);
    writeI32(bytes.data() + kPageUsedBytes, static_cast<int32_t>(area.size()));
    writeI32(bytes.data() + kPageLeftChild, page.leftChild);
    std::copy_n(area.begin(), std::min<size_t>(area.size(), kEntryAreaSize),
                bytes.begin() + kPageEntries);
    if (page.position == 0) {
        writeI32(bytes.data() + kRootReserved1, -1);
        writeI32(bytes.data() + kRootReserved2, 1);
    }
    return bytes;
}

Bytes indexImage(const std::vector<TestPage>& pages) {
    Bytes image;
    for (const TestPage& page : pages) {
        Bytes bytes = pageBytes(page);
        size_t end = static_cast<size_t>(page.position) + bytes.size();
        if (image.size() < end)
            image.resize(end, 0);
        std::copy(bytes.begin(), bytes.end(), image.begin() + page.position);
    }
    return image;
}

namespace {

int32_t positionOfPage(size_t index) {
    return index == 0 ? 0 : kRootPageSize + static_cast<int32_t>(index - 1) * kPageSize;
}

// Lays out items[first, last) under a page that is given its slot now, so
// that parents come before their children in the file.
int32_t buildPage(const std::vector<NamedValue>& items, size_t first, size_t last, int perPage,
                  std::vector<TestPage>& pages) {
    if (first == last)
        return -1;
    size_t index = pages.size();
    pages.push_back(TestPage{positionOfPage(index), -1, {}});
    size_t count = last - first;
    if (count <= static_cast<size_t>(perPage)) {
        for (size_t i = first; i < last; ++i)
            pages[index].entries.push_back(TestEntry{items[i].first, items[i].second, -1});
        return pages[index].position;
    }
    size_t separators = static_cast<size_t>(perPage);
    size_t groups = separators + 1;
    size_t rest = count - separators;
    size_t at = first;
    for (size_t g = 0; g < groups; ++g) {
        size_t size = rest / groups + (g < rest % groups ? 1 : 0);
        int32_t child = buildPage(items, at, at + size, perPage, pages);
        at += size;
        if (g == 0)
            pages[index].leftChild = child;
        else
            pages[index].entries.back().child = child;
        if (g < separators) {
            pages[index].entries.push_back(TestEntry{items[at].first, items[at].second, -1});
            ++at;
        }
    }
    return pages[index].position;
}

int depthBelow(const std::vector<TestPage>& pages, int32_t position) {
    if (position == -1)
        return 0;
    for (const TestPage& page : pages) {
        if (page.position != position)
            continue;
        int deepest = depthBelow(pages, page.leftChild);
        for (const TestEntry& entry : page.entries)
            deepest = std::max(deepest, depthBelow(pages, entry.child));
        return deepest + 1;
    }
    return 0;
}

}  // namespace

std::vector<TestPage> balancedTree(const std::vector<NamedValue>& items, int perPage) {
    std::vector<TestPage> pages;
    buildPage(items, 0, items.size(), perPage, pages);
    if (pages.empty())
        pages.push_back(TestPage{0, -1, {}});
    return pages;
}

int treeDepth(const std::vector<TestPage>& pages) {
    return depthBelow(pages, 0);
}

Bytes zlibStream(const Bytes& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes stream(size);
    compress2(stream.data(), &size, data.data(), static_cast<uLong>(data.size()), level);
    stream.resize(size);
    return stream;
}

Bytes chunkWithSizes(uint32_t statedSize, const Bytes& stream) {
    Bytes bytes(8 + stream.size());
    writeU32(bytes.data(), statedSize);
    writeU32(bytes.data() + 4, static_cast<uint32_t>(stream.size()));
    std::copy(stream.begin(), stream.end(), bytes.begin() + 8);
    return bytes;
}

Bytes chunk(const Bytes& data, int level) {
    return chunkWithSizes(static_cast<uint32_t>(data.size()), zlibStream(data, level));
}

Bytes headerBytes(const HeaderTexts& texts) {
    PayloadHeader header;
    memset(&header, 0, sizeof header);
    header.size = kHeaderSize;
    auto put = [](char* field, size_t width, const std::string& text) {
        memcpy(field, text.data(), std::min(width, text.size()));
    };
    put(header.language, sizeof header.language, texts.language);
    put(header.mainProgram, sizeof header.mainProgram, texts.mainProgram);
    put(header.installFolder, sizeof header.installFolder, texts.installFolder);
    put(header.productName, sizeof header.productName, texts.productName);
    put(header.favoritesName, sizeof header.favoritesName, texts.favoritesName);
    put(header.iconFile, sizeof header.iconFile, texts.iconFile);
    put(header.startMenuName, sizeof header.startMenuName, texts.startMenuName);
    const int32_t reserved[5] = {28, 1, 1, 0, 0};
    memcpy(header.reserved, reserved, sizeof reserved);
    Bytes bytes(kHeaderSize);
    memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

Bytes payloadBytes(const Bytes& headerChunk, const Bytes& tableChunk, const Bytes& dataArea,
                   const std::string& signature) {
    Bytes bytes(kSignatureSize + headerChunk.size() + tableChunk.size() + dataArea.size(), 0);
    std::copy_n(signature.begin(), std::min<size_t>(signature.size(), kSignatureSize),
                bytes.begin());
    auto at = std::copy(headerChunk.begin(), headerChunk.end(), bytes.begin() + kSignatureSize);
    at = std::copy(tableChunk.begin(), tableChunk.end(), at);
    std::copy(dataArea.begin(), dataArea.end(), at);
    return bytes;
}

BuiltPayload filePayload(const std::vector<TestFile>& files, int perPage,
                         const HeaderTexts& texts) {
    BuiltPayload built;
    Bytes data;
    for (const TestFile& file : files) {
        built.entries.emplace_back(file.name, static_cast<int32_t>(data.size()));
        Bytes fileChunk = chunk(file.contents);
        data.insert(data.end(), fileChunk.begin(), fileChunk.end());
    }
    std::sort(built.entries.begin(), built.entries.end());
    built.table = indexImage(balancedTree(built.entries, perPage));
    Bytes headerChunk = chunk(headerBytes(texts));
    Bytes tableChunk = chunk(built.table);
    built.bytes = payloadBytes(headerChunk, tableChunk, data);
    built.dataStart = static_cast<int32_t>(headerChunk.size() + tableChunk.size() + 8);
    return built;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

Bytes readFile(const std::string& path) {
    Bytes bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    unsigned char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    fclose(file);
    return bytes;
}

}  // namespace testpayload
