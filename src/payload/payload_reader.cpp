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

// 1 when the table carries no checksum, or one the data match.
int dataMatchChecksum(const DecodedChunk& table, uint64_t dataStart,
                      const PayloadChecksum& checksum) {
    if (table.length < static_cast<uint32_t>(payload::kRootPageSize) ||
        payload::readU32(table.data + payload::kRootReserved2) != payload::kChecksumMark)
        return 1;
    uint32_t computed = 0;
    return checksum.dataChecksum(dataStart, computed) &&
           computed == payload::readU32(table.data + payload::kRootReserved1);
}

int readPayload(FILE* stream, const PayloadChecksum& checksum, PayloadHeader& header,
                const char* indexFilePath, int32_t& dataStart, int* indexDescriptor) {
    unsigned char signature[payload::kSignatureSize];
    if (fread(signature, 1, sizeof signature, stream) != sizeof signature ||
        memcmp(signature, payload::kSignature, payload::kSignatureCheckedBytes) != 0)
        return kExtractFailed;

    DecodedChunk chunk;
    if (!readChunk(stream, chunk))
        return kExtractFailed;
    PayloadHeader decoded;
    memset(&decoded, 0, sizeof decoded);
    memcpy(&decoded, chunk.data, chunk.length < sizeof decoded ? chunk.length : sizeof decoded);
    uint64_t start = static_cast<uint64_t>(payload::kDataStartOverhead) + chunk.compressedSize;
    if (!headerTextsTerminated(decoded))
        return kExtractFailed;

    if (!readChunk(stream, chunk))
        return kExtractFailed;
    start += chunk.compressedSize;
    if (start > static_cast<uint64_t>(INT32_MAX))
        return kExtractFailed;
    if (!dataMatchChecksum(chunk, start, checksum))
        return kExtractDamaged;
    if (indexDescriptor != nullptr) {
        *indexDescriptor = writeHeldIndexFile(indexFilePath, chunk);
        if (*indexDescriptor < 0)
            return kExtractFailed;
    } else if (!writeIndexFile(indexFilePath, chunk)) {
        return kExtractFailed;
    }

    memcpy(&header, &decoded, sizeof header);
    dataStart = static_cast<int32_t>(start);
    return kExtracted;
}

}  // namespace

int readPayloadCopy(FILE* stream, const char* copyPath, int deleteOnFailure,
                    const PayloadChecksum& checksum, PayloadHeader& header,
                    const char* indexFilePath, FILE*& payloadStream, int32_t& dataStart,
                    int* indexDescriptor) {
    payloadStream = nullptr;
    dataStart = 0;
    int32_t start = 0;
    if (indexDescriptor != nullptr)
        *indexDescriptor = -1;
    int result = kExtractFailed;
    if (stream != nullptr && indexFilePath != nullptr)
        result = readPayload(stream, checksum, header, indexFilePath, start, indexDescriptor);
    if (result == kExtracted) {
        payloadStream = stream;
        dataStart = start;
        return result;
    }
    if (stream != nullptr)
        fclose(stream);
    if (deleteOnFailure && copyPath != nullptr)
        remove(copyPath);
    return result;
}
