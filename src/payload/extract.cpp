#include "payload/extract.h"

#include "payload/payload_reader.h"

int extractPayload(ModuleHandle instance, TextBuffer& payloadCopyPath,
                   payload::PayloadHeader& header, const char* indexFilePath, FILE*& payloadStream,
                   int32_t& dataStart) {
    payloadStream = nullptr;
    dataStart = 0;
    if (indexFilePath == nullptr || payloadCopyPath.text == nullptr)
        return 0;

    if (!payloadCopyPath.isEmpty()) {
        FILE* stream = fopen(payloadCopyPath.text, "rb");
        if (stream == nullptr)
            return 0;
        return readPayloadCopy(stream, payloadCopyPath.text, 0, header, indexFilePath,
                               payloadStream, dataStart);
    }

    FILE* stream = nullptr;
    if (!makePayloadCopy(instance, payloadCopyPath, stream))
        return 0;
    return readPayloadCopy(stream, payloadCopyPath.text, 1, header, indexFilePath, payloadStream,
                           dataStart);
}
