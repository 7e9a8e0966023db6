#include "payload/extract.h"

#include "payload/payload_checksum.h"
#include "payload/payload_reader.h"

int extractPayload(ModuleHandle instance, TextBuffer& payloadCopyPath,
                   payload::PayloadHeader& header, const char* indexFilePath, FILE*& payloadStream,
                   int32_t& dataStart) {
    payloadStream = nullptr;
    dataStart = 0;
    if (indexFilePath == nullptr || payloadCopyPath.text == nullptr)
        return kExtractFailed;

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
                               payloadStream, dataStart);
    }

    FILE* stream = nullptr;
    if (!makePayloadCopy(instance, payloadCopyPath, stream, checksum))
        return kExtractFailed;
    return readPayloadCopy(stream, payloadCopyPath.text, 1, checksum, header, indexFilePath,
                           payloadStream, dataStart);
}
