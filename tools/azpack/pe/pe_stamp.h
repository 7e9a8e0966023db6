// Writes a payload into a copy of an installer executable as its resource
// "QX_TYPE" / "QX_AZARCH", language 1036, keeping every other resource.
//
// The whole resource tree is laid out again into one section. When the
// stub's resource section is the last one (in memory and in the file) and
// holds nothing else, it is rewritten in place; otherwise a new ".rsrc"
// section is added after the last one (the old section, renamed ".oldrsrc",
// stays but is no longer used). Either way the section starts on a page
// boundary of the file, so that loaders can map it. The resource directory
// entry, the section table, SizeOfImage, SizeOfInitializedData and the
// checksum are updated; data after the sections (the overlay, such as a COFF
// symbol table) moves behind the new section, with the pointers to it. A stub
// with a signature (certificate table) is refused: any change would break
// the signature.
#ifndef AZPACK_PE_STAMP_H
#define AZPACK_PE_STAMP_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "io/file_io.h"

namespace azpack {

struct PayloadBytes {
    std::filesystem::path file;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// Checks that `stub` can be stamped, without writing anything.
bool checkStub(const std::filesystem::path& stub, std::string* error);

// Writes the stamped copy of `stub` into `out`, a new file.
bool stampInstaller(const std::filesystem::path& stub, const PayloadBytes& payload, OutputFile* out,
                    std::string* error);

}  // namespace azpack

#endif
