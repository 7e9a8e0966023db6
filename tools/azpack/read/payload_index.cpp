#include "read/payload_index.h"

#include <algorithm>
#include <cstring>

#include "names/windows_names.h"

namespace azpack {

namespace {

using payload::PayloadHeader;
using payload::readI32;
using payload::readU32;

constexpr uint32_t kMaxTableSize = 512u << 20;
constexpr int32_t kReservedValues[5] = {28, 1, 1, 0, 0};

struct TextField {
    const char* name;
    size_t offset;
    size_t width;
};

const TextField kTextFields[] = {
    {"language", offsetof(PayloadHeader, language), sizeof(PayloadHeader::language)},
    {"mainProgram", offsetof(PayloadHeader, mainProgram), sizeof(PayloadHeader::mainProgram)},
    {"installFolder", offsetof(PayloadHeader, installFolder), sizeof(PayloadHeader::installFolder)},
    {"productName", offsetof(PayloadHeader, productName), sizeof(PayloadHeader::productName)},
    {"favoritesName", offsetof(PayloadHeader, favoritesName), sizeof(PayloadHeader::favoritesName)},
    {"iconFile", offsetof(PayloadHeader, iconFile), sizeof(PayloadHeader::iconFile)},
    {"startMenuName", offsetof(PayloadHeader, startMenuName), sizeof(PayloadHeader::startMenuName)},
};

std::string at(uint32_t offset) {
    return "page at " + std::to_string(offset) + ": ";
}

class TableWalker {
  public:
    TableWalker(const std::vector<unsigned char>& table, bool full,
                std::vector<PayloadEntry>* entries)
        : table_(table), full_(full), entries_(entries) {}

    bool walk(int* pages, int* depth, std::string* reason) {
        size_t size = table_.size();
        if (size < static_cast<size_t>(payload::kRootPageSize) ||
            (size - payload::kRootPageSize) % payload::kPageSize != 0) {
            *reason = "entry table is " + std::to_string(size) +
                      " bytes, not a 7176-byte root page and whole 7168-byte pages";
            return false;
        }
        *pages = 1 + static_cast<int>((size - payload::kRootPageSize) / payload::kPageSize);
        visited_.assign(*pages, false);
        if (!visit(0, 1, reason))
            return false;
        *depth = depth_;
        if (full_) {
            for (int p = 0; p < *pages; ++p) {
                if (!visited_[p]) {
                    *reason = "entry table: " + at(pageOffset(p)) + "not linked into the tree";
                    return false;
                }
            }
        }
        return true;
    }

  private:
    static uint32_t pageOffset(int index) {
        return index == 0 ? 0 : payload::kRootPageSize + (index - 1) * payload::kPageSize;
    }

    bool fail(uint32_t page, const std::string& what, std::string* reason) {
        *reason = "entry table: " + at(page) + what;
        return false;
    }

    bool visit(int32_t offset, int level, std::string* reason) {
        if (level > payload::kMaxTreeDepth) {
            *reason = "entry table: tree deeper than " + std::to_string(payload::kMaxTreeDepth) +
                      " levels";
            return false;
        }
        int index = 0;
        if (offset != 0) {
            int64_t rest = int64_t(offset) - payload::kRootPageSize;
            if (rest < 0 || rest % payload::kPageSize != 0 ||
                uint64_t(offset) + payload::kPageSize > table_.size()) {
                *reason = "entry table: link to offset " + std::to_string(offset) +
                          ", which is not the start of a page";
                return false;
            }
            index = 1 + static_cast<int>(rest / payload::kPageSize);
        } else if (level > 1) {
            *reason = "entry table: link back to the root page";
            return false;
        }
        if (visited_[index])
            return fail(offset, "linked more than once", reason);
        visited_[index] = true;
        if (level > depth_)
            depth_ = level;

        const unsigned char* page = table_.data() + offset;
        int32_t own = readI32(page + payload::kPageOwnPosition);
        if (own != offset)
            return fail(offset, "records its position as " + std::to_string(own), reason);
        int32_t used = readI32(page + payload::kPageUsedBytes);
        if (used < 0 || used > payload::kEntryAreaSize)
            return fail(offset, "usedBytes " + std::to_string(used) + " is outside 0..7156",
                        reason);
        if (used == 0 && level > 1)
            return fail(offset, "holds no entry", reason);
        const unsigned char* area = page + payload::kPageEntries;
        if (full_) {
            for (int i = used; i < payload::kEntryAreaSize; ++i) {
                if (area[i] != 0)
                    return fail(offset, "bytes after its entries are not zero", reason);
            }
        }
        int32_t left = readI32(page + payload::kPageLeftChild);
        if (left != payload::kNoPage && !visit(left, level + 1, reason))
            return false;
        int32_t p = 0;
        while (p < used) {
            std::string where = "entry at " + std::to_string(p) + " ";
            if (p + payload::kEntryFixedSize > used)
                return fail(offset, where + "runs past usedBytes", reason);
            const unsigned char* entry = area + p;
            const unsigned char* name = entry + payload::kEntryName;
            const void* zero = std::memchr(name, 0, static_cast<size_t>(used - p - 8));
            if (zero == nullptr)
                return fail(offset, where + "has a name not ended within usedBytes", reason);
            size_t length = static_cast<const unsigned char*>(zero) - name;
            if (length == 0)
                return fail(offset, where + "has an empty name", reason);
            if (length > static_cast<size_t>(payload::kMaxNameLength))
                return fail(offset, where + "has a name longer than 1023 bytes", reason);
            PayloadEntry out;
            out.name.assign(reinterpret_cast<const char*>(name), length);
            out.value = readI32(entry + payload::kEntryValue);
            if (!entries_->empty() && !(entries_->back().name < out.name)) {
                *reason = "entry table: " + quoteName(out.name) + " comes after " +
                          quoteName(entries_->back().name) + " in the walk (names must ascend)";
                return false;
            }
            entries_->push_back(std::move(out));
            int32_t child = readI32(entry + payload::kEntryChild);
            if (child != payload::kNoPage && !visit(child, level + 1, reason))
                return false;
            p += payload::kEntryFixedSize + static_cast<int32_t>(length);
        }
        return true;
    }

    const std::vector<unsigned char>& table_;
    bool full_;
    std::vector<PayloadEntry>* entries_;
    std::vector<bool> visited_;
    int depth_ = 0;
};

bool checkHeader(const PayloadIndex& index, std::string* reason) {
    if (index.headerChunk.uncompressedSize != payload::kHeaderSize) {
        *reason = "header record is " + std::to_string(index.headerChunk.uncompressedSize) +
                  " bytes, not 2444";
        return false;
    }
    uint32_t size = readU32(index.header + offsetof(PayloadHeader, size));
    if (size != payload::kHeaderSize) {
        *reason = "header field size is " + std::to_string(size) + ", not 2444";
        return false;
    }
    for (const TextField& field : kTextFields) {
        const unsigned char* text = index.header + field.offset;
        const void* zero = std::memchr(text, 0, field.width);
        if (zero == nullptr) {
            *reason = std::string("header field ") + field.name + " has no terminator within its " +
                      std::to_string(field.width) + " bytes";
            return false;
        }
        for (const unsigned char* p = static_cast<const unsigned char*>(zero);
             p < text + field.width; ++p) {
            if (*p != 0) {
                *reason = std::string("header field ") + field.name +
                          " is not zero-padded after its text";
                return false;
            }
        }
    }
    for (int i = 0; i < 5; ++i) {
        int32_t value = readI32(index.header + offsetof(PayloadHeader, reserved) + 4 * i);
        if (value != kReservedValues[i]) {
            *reason = "header field reserved[" + std::to_string(i) + "] is " +
                      std::to_string(value) + ", not " + std::to_string(kReservedValues[i]);
            return false;
        }
    }
    return true;
}

bool checkNames(const PayloadIndex& index, std::string* reason) {
    std::vector<std::string> names;
    for (const PayloadEntry& entry : index.entries) {
        std::string problem = entryNameProblem(entry.name);
        if (!problem.empty()) {
            *reason = "entry " + quoteName(entry.name) + " " + problem;
            return false;
        }
        names.push_back(entry.name);
    }
    std::string clash = findCaseClash(names);
    if (!clash.empty()) {
        *reason = "entries " + clash;
        return false;
    }
    return true;
}

// One chunk per entry, back to back from the data start to the end.
bool checkDataLayout(const PayloadIndex& index, uint64_t payloadSize, std::string* reason) {
    std::vector<const PayloadEntry*> byValue;
    for (const PayloadEntry& entry : index.entries)
        byValue.push_back(&entry);
    std::stable_sort(
        byValue.begin(), byValue.end(),
        [](const PayloadEntry* a, const PayloadEntry* b) { return a->value < b->value; });
    uint64_t expected = 0;
    for (size_t i = 0; i < byValue.size(); ++i) {
        const PayloadEntry& entry = *byValue[i];
        if (i > 0 && byValue[i - 1]->value == entry.value) {
            *reason = "entries " + quoteName(byValue[i - 1]->name) + " and " +
                      quoteName(entry.name) + " share the chunk at value " +
                      std::to_string(entry.value);
            return false;
        }
        if (uint64_t(entry.value) != expected) {
            *reason = "entry " + quoteName(entry.name) + ": chunk at value " +
                      std::to_string(entry.value) + " where the previous chunk ends at " +
                      std::to_string(expected) + " (chunks must lie back to back)";
            return false;
        }
        expected += payload::kChunkPrefixSize + uint64_t(entry.chunk.compressedSize);
    }
    uint64_t end = index.dataStart + expected;
    if (end != payloadSize) {
        *reason = std::to_string(payloadSize - end) + " bytes after the last chunk";
        return false;
    }
    return true;
}

}  // namespace

bool readPayloadIndex(PayloadFile& payload, IndexCheck check, PayloadIndex* index,
                      std::string* reason) {
    const bool full = check == IndexCheck::kFull;
    *index = PayloadIndex();
    if (full && payload.size() > 0x7FFFFFFFu) {
        *reason = "payload is " + std::to_string(payload.size()) +
                  " bytes, past the 2^31 - 1 that its 32-bit offsets reach";
        return false;
    }
    unsigned char signature[payload::kSignatureSize];
    if (!payload.read(0, signature, sizeof signature, reason)) {
        *reason = "too short for a payload (" + std::to_string(payload.size()) + " bytes)";
        return false;
    }
    if (std::memcmp(signature, payload::kSignature, payload::kSignatureCheckedBytes) != 0) {
        *reason = "not a payload (no MWZ signature)";
        return false;
    }
    if (full && std::memcmp(signature, "MWZ100\0\0", payload::kSignatureSize) != 0) {
        *reason = "signature is not \"MWZ100\" and two zero bytes";
        return false;
    }

    uint64_t headerAt = payload::kSignatureSize;
    std::vector<unsigned char> decoded;
    if (!readChunkPrefix(payload, headerAt, &index->headerChunk, reason) ||
        !decodeChunkToMemory(payload, headerAt, index->headerChunk, &decoded, reason)) {
        *reason = "header record: " + *reason;
        return false;
    }
    std::memcpy(index->header, decoded.data(),
                std::min(decoded.size(), static_cast<size_t>(payload::kHeaderSize)));
    if (full && !checkHeader(*index, reason))
        return false;

    uint64_t tableAt = headerAt + payload::kChunkPrefixSize + index->headerChunk.compressedSize;
    if (!readChunkPrefix(payload, tableAt, &index->tableChunk, reason)) {
        *reason = "entry table: " + *reason;
        return false;
    }
    if (index->tableChunk.uncompressedSize > kMaxTableSize) {
        *reason = "entry table: " + std::to_string(index->tableChunk.uncompressedSize) +
                  " bytes, more than azpack reads";
        return false;
    }
    if (!decodeChunkToMemory(payload, tableAt, index->tableChunk, &decoded, reason)) {
        *reason = "entry table: " + *reason;
        return false;
    }
    index->dataStart = tableAt + payload::kChunkPrefixSize + index->tableChunk.compressedSize;
    if (decoded.size() >= static_cast<size_t>(payload::kRootPageSize) &&
        readU32(decoded.data() + payload::kRootReserved2) == payload::kChecksumMark) {
        index->hasChecksum = true;
        index->checksum = readU32(decoded.data() + payload::kRootReserved1);
    }
    TableWalker walker(decoded, full, &index->entries);
    if (!walker.walk(&index->pageCount, &index->depth, reason))
        return false;
    if (full && !checkNames(*index, reason))
        return false;

    for (PayloadEntry& entry : index->entries) {
        if (entry.value < 0) {
            *reason = "entry " + quoteName(entry.name) + " has the negative value " +
                      std::to_string(entry.value);
            return false;
        }
        if (!readChunkPrefix(payload, index->dataStart + uint64_t(entry.value), &entry.chunk,
                             reason)) {
            *reason = "entry " + quoteName(entry.name) + ": " + *reason;
            return false;
        }
    }
    return !full || checkDataLayout(*index, payload.size(), reason);
}

std::string headerText(const PayloadIndex& index, size_t offset, size_t width) {
    const char* text = reinterpret_cast<const char*>(index.header + offset);
    size_t length = 0;
    while (length < width && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

}  // namespace azpack
