#include "payload/extract.h"

#include "payload/payload_checksum.h"
#include "payload/payload_reader.h"

int extractPayload(ModuleHandle instance, TextBuffer& payloadCopyPath,
                   payload::PayloadHeader& header, const char* indexFilePath, FILE*& payloadStream,
                   int32_t& dataStart, RunFiles* runFiles) {
    payloadStream = nullptr;
    dataStart = 0;
    if (indexFilePath == nullptr || payloadCopyPath.text == nullptr)
        return kExtractFailed;
    int* indexDescriptor = runFiles == nullptr ? nullptr : &runFiles->indexDescriptor;

    PayloadChecksum checksum;
    if (!payloadCopyPath.isEmpty()) {
        FILE* stream = fopen(payloadCopyPath.text, "rb");
        if (stream == nullptr)
            return kExtractFailed;
        if (!addStreamToChecksum(checksum, stream) || fseek(stream, 0, SEEK_SET) != 0) {
            fclose(stream);
            return kExtractFailed;
        }
        return readPayloadCopy(stream, payloadCopyPath.text, 0, checksum, header, indexFilePath,
                               payloadStream, dataStart, indexDescriptor);
    }

    FILE* stream = nullptr;
    if (runFiles == nullptr || runFiles->copyPath == nullptr ||
        !makePayloadCopy(instance, runFiles->copyPath, stream, checksum))
        return kExtractFailed;
    payloadCopyPath.append(runFiles->copyPath);
    return readPayloadCopy(stream, payloadCopyPath.text, 1, checksum, header, indexFilePath,
                           payloadStream, dataStart, indexDescriptor);
}
