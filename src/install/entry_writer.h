// Writing one entry's file from its chunk, whichever way the chunk decodes:
// a small one from the block decoded whole, a large one streamed piece by
// piece into a file beside the target that replaces it once the stream has
// ended well. Either way the target is whole, untouched, or (on a failed
// write) absent; never a cut-short file that looks installed.
#ifndef AZ_INSTALL_ENTRY_WRITER_H
#define AZ_INSTALL_ENTRY_WRITER_H

#include "install/chunk_reader.h"

enum class EntryWrite {
    kWritten,     // the target holds the entry's bytes
    kNotWritten,  // the target (or the file beside it) could not be written whole
    kDamaged,     // a large chunk's stream failed part-way; the target is as it was
};

// `chunk` has just decoded (ChunkReader::decode gave 1).
EntryWrite writeEntry(const char* targetPath, const ChunkReader& chunk);

#endif
