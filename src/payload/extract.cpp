#include "payload/extract.h"

#include "payload/payload_reader.h"

int extractPayload(ModuleHandle instance, TextBuffer& payloadCopyPath,
                   payload::PayloadHeader& header, const char* indexFilePath, FILE*& payloadStream,
                   int32_t& dataStart, RunFiles* runFiles) {
    payloadStream = nullptr;
    dataStart = 0;
    if (indexFilePath == nullptr || payloadCopyPath.text == nullptr)
        return 0;
    int* indexDescriptor = runFiles == nullptr ? nullptr : &runFiles->indexDescriptor;

    if (!payloadCopyPath.isEmpty()) {
        FILE* stream = fopen(payloadCopyPath.text, "rb");
        if (stream == nullptr)
            return 0;
        return readPayloadCopy(stream, payloadCopyPath.text, 0, header, indexFilePath,
                               payloadStream, dataStart, indexDescriptor);
    }

    FILE* stream = nullptr;
    if (runFiles == nullptr || runFiles->copyPath == nullptr ||
        !makePayloadCopy(instance, runFiles->copyPath, stream))
        return 0;
    payloadCopyPath.append(runFiles->copyPath);
    return readPayloadCopy(stream, payloadCopyPath.text, 1, header, indexFilePath, payloadStream,
                           dataStart, indexDescriptor);
}
