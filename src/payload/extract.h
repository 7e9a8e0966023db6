// Payload extraction: the payload is copied to a file in the temporary folder
// (or a payload file named by the caller is used), its header decoded, its
// entry table written as the entry index file, and a read stream on the copy
// handed back standing at the data area.
#ifndef AZ_PAYLOAD_EXTRACT_H
#define AZ_PAYLOAD_EXTRACT_H

#include <cstdint>
#include <cstdio>

#include "base/text_buffer.h"
#include "payload/layout.h"

// The module whose resources carry the payload (an HINSTANCE on Windows).
using ModuleHandle = void*;

// An installation run's own files, each created new and held from its
// creation to the end of the run (page_io.h, createHeldFile).
struct RunFiles {
    const char* copyPath = nullptr;  // where the copy of the payload resource is made
    int indexDescriptor = -1;        // given back: the index file, open for reading
};

// What extraction ended in.
enum ExtractResult {
    kExtractFailed = 0,   // no payload, or one that cannot be read
    kExtracted = 1,       // ready to install
    kExtractDamaged = 2,  // its data do not match the checksum it carries
};

// kExtracted: `header` filled, the index file written at `indexFilePath`,
// `payloadStream` open for reading at `dataStart`; the caller closes the
// stream and deletes both files. Otherwise: `payloadStream` null,
// `dataStart` 0, `header` untouched, no file of this call left behind.
// A payload carrying a checksum (layout.h) is checked whole here, before the
// caller can write anything.
//
// With `runFiles`, the index file is created new at `indexFilePath` and
// kept open: its descriptor is given back in runFiles->indexDescriptor, and
// the caller closes it (which deletes it on Windows) instead of deleting it.
// Without, the index file is written, closed, and the caller deletes it.
//
// An empty `payloadCopyPath` asks for a copy of the payload resource of
// `instance` at runFiles->copyPath (nothing to do without `runFiles`); that
// path is appended to `payloadCopyPath`. The copy stays locked against
// writing and deletion while the stream is open, and goes with it on Windows.
// Builds whose executables carry no resources have no payload: 0.
// A non-empty `payloadCopyPath` names a payload file to read instead; that
// file is never deleted.
int extractPayload(ModuleHandle instance, TextBuffer& payloadCopyPath,
                   payload::PayloadHeader& header, const char* indexFilePath, FILE*& payloadStream,
                   int32_t& dataStart, RunFiles* runFiles = nullptr);

#ifdef _WIN32
// Writes the bytes of resource `resourceName` of type "QX_TYPE" to `filePath`
// (created or truncated). 1 when every byte was written and the file closed;
// 0 when the resource is missing or empty (nothing written) or the file
// cannot be written whole (nothing left).
int copyResourceToFile(ModuleHandle instance, const char* resourceName, const char* filePath);
#endif

#endif
