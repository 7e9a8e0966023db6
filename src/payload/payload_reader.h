// The portable half of extraction: reading an open payload copy. Also the
// hook through which the resource half hands over the copy it made.
#ifndef AZ_PAYLOAD_PAYLOAD_READER_H
#define AZ_PAYLOAD_PAYLOAD_READER_H

#include <cstdint>
#include <cstdio>

#include "base/text_buffer.h"
#include "payload/extract.h"
#include "payload/layout.h"
#include "payload/payload_checksum.h"

// Reads the payload on `stream` (from its start): signature, header chunk,
// entry table chunk written as the file at `indexFilePath`, and when the
// table carries a checksum, compares it with `checksum`, which has been fed
// the whole payload. kExtracted: `header` filled, `payloadStream` = stream
// standing at `dataStart`. Otherwise (ExtractResult): the stream is closed,
// no index file is left, and when `deleteOnFailure` is nonzero the file at
// `copyPath` is deleted; `payloadStream` null, `dataStart` 0, `header`
// untouched. With `indexDescriptor`, the index file is created new and held
// (createHeldFile), and on success left open there.
int readPayloadCopy(FILE* stream, const char* copyPath, int deleteOnFailure,
                    const PayloadChecksum& checksum, payload::PayloadHeader& header,
                    const char* indexFilePath, FILE*& payloadStream, int32_t& dataStart,
                    int* indexDescriptor = nullptr);

// Copies the payload resource of `instance` to a file created new and held
// at `copyPath` (createHeldFile) and opens it for reading; `checksum` is fed
// every byte on the way. 1: `stream` open at the start of the copy. 0:
// nothing left on disk.
int makePayloadCopy(ModuleHandle instance, const char* copyPath, FILE*& stream,
                    PayloadChecksum& checksum);

#endif
