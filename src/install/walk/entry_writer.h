// Writing one entry's file from its chunk, whichever way the chunk decodes:
// a small one from the block decoded whole, a large one streamed piece by
// piece. Either way the bytes go into a file beside the target, which takes
// the target's place only once complete (the original kept aside, see
// replacements.h): the target is the old file or the new one, never a
// cut-short file that looks installed.
#ifndef AZ_INSTALL_ENTRY_WRITER_H
#define AZ_INSTALL_ENTRY_WRITER_H

#include "install/walk/chunk_reader.h"
#include "install/walk/replacements.h"

enum class EntryWrite {
    kWritten,     // the target holds the entry's bytes
    kNotWritten,  // the target could not be replaced; it is as it was
    kDamaged,     // a large chunk's stream failed part-way; the target is as it was
};

// `chunk` has just decoded (ChunkReader::decode gave 1). The one place where
// a target is opened for writing.
EntryWrite writeEntry(const char* targetPath, const ChunkReader& chunk, Replacements& replacements);

#endif
