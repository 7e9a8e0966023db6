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
// the signature. So is a program that is not one of our stubs: ours say
// InternalName "azsetup" in their version resource.
//
// The installer's face, when given, goes in too: the icon replaces every
// icon and icon group of the stub; the version texts change the stub's own
// version resource, which keeps its language and its other strings.
#ifndef AZPACK_PE_STAMP_H
#define AZPACK_PE_STAMP_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "io/file_io.h"
#include "pe/icon_file.h"
#include "pe/version_resource.h"

namespace azpack {

struct PayloadBytes {
    std::filesystem::path file;
    uint64_t offset = 0;
    uint64_t size = 0;
};

struct InstallerFace {
    bool hasIcon = false;
    IconResources icon;
    bool hasVersion = false;
    VersionFace version;
};

// Checks that `stub` can be stamped, without writing anything.
bool checkStub(const std::filesystem::path& stub, const InstallerFace& face, std::string* error);

// Writes the stamped copy of `stub` into `out`, a new file.
bool stampInstaller(const std::filesystem::path& stub, const PayloadBytes& payload,
                    const InstallerFace& face, OutputFile* out, std::string* error);

}  // namespace azpack

#endif
