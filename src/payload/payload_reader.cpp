#include "payload/payload_reader.h"

#include <cstring>

#include "payload/chunk.h"
#include "payload/page_io.h"

namespace {

using payload::PayloadHeader;

int terminated(const char* field, size_t width) {
    return memchr(field, 0, width) != nullptr;
}

// The texts the run reads; one that fills its width has lost its end.
int headerTextsTerminated(const PayloadHeader& h) {
    return terminated(h.mainProgram, sizeof h.mainProgram) &&
           terminated(h.installFolder, sizeof h.installFolder) &&
           terminated(h.productName, sizeof h.productName) &&
           terminated(h.favoritesName, sizeof h.favoritesName) &&
           terminated(h.iconFile, sizeof h.iconFile) &&
           terminated(h.startMenuName, sizeof h.startMenuName);
}

// A run that walked a missing or partial index would record an empty
// installation over an earlier one, so the file is written whole or not at all.
int writeIndexFile(const char* path, const DecodedChunk& table) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return 0;
    size_t written = table.length == 0 ? 0 : fwrite(table.data, 1, table.length, file);
    int closed = fclose(file) == 0;
    if (written != table.length || !closed) {
        remove(path);
        return 0;
    }
    return 1;
}

// The same into a file created new and held: the descriptor, or -1 with
// nothing left.
int writeHeldIndexFile(const char* path, const DecodedChunk& table) {
    int descriptor = createHeldFile(path);
    if (descriptor < 0)
        return -1;
    if (table.length <= static_cast<size_t>(INT32_MAX) &&
        writeAt(descriptor, 0, table.data, static_cast<int32_t>(table.length)))
        return descriptor;
    closeDescriptor(descriptor);
    remove(path);  // where closing does not delete it
    return -1;
}

int readPayload(FILE* stream, PayloadHeader& header, const char* indexFilePath, int32_t& dataStart,
                int* indexDescriptor) {
    unsigned char signature[payload::kSignatureSize];
    if (fread(signature, 1, sizeof signature, stream) != sizeof signature ||
        memcmp(signature, payload::kSignature, payload::kSignatureCheckedBytes) != 0)
        return 0;

    DecodedChunk chunk;
    if (!readChunk(stream, chunk))
        return 0;
    PayloadHeader decoded;
    memset(&decoded, 0, sizeof decoded);
    memcpy(&decoded, chunk.data, chunk.length < sizeof decoded ? chunk.length : sizeof decoded);
    uint64_t start = static_cast<uint64_t>(payload::kDataStartOverhead) + chunk.compressedSize;
    if (!headerTextsTerminated(decoded))
        return 0;

    if (!readChunk(stream, chunk))
        return 0;
    start += chunk.compressedSize;
    if (start > static_cast<uint64_t>(INT32_MAX))
        return 0;
    if (indexDescriptor != nullptr) {
        *indexDescriptor = writeHeldIndexFile(indexFilePath, chunk);
        if (*indexDescriptor < 0)
            return 0;
    } else if (!writeIndexFile(indexFilePath, chunk)) {
        return 0;
    }

    memcpy(&header, &decoded, sizeof header);
    dataStart = static_cast<int32_t>(start);
    return 1;
}

}  // namespace

int readPayloadCopy(FILE* stream, const char* copyPath, int deleteOnFailure, PayloadHeader& header,
                    const char* indexFilePath, FILE*& payloadStream, int32_t& dataStart,
                    int* indexDescriptor) {
    payloadStream = nullptr;
    dataStart = 0;
    int32_t start = 0;
    if (indexDescriptor != nullptr)
        *indexDescriptor = -1;
    if (stream != nullptr && indexFilePath != nullptr &&
        readPayload(stream, header, indexFilePath, start, indexDescriptor)) {
        payloadStream = stream;
        dataStart = start;
        return 1;
    }
    if (stream != nullptr)
        fclose(stream);
    if (deleteOnFailure && copyPath != nullptr)
        remove(copyPath);
    return 0;
}
