// The install folder template checked at build time with the installer's own
// expansion code, on machines whose folders are stand-ins: a template that
// can never give a full path is refused; an unknown macro (the installer then
// uses the Desktop), an empty template and a template that can lead outside
// the program-files folder are warnings. The paths the installer records
// (each installed file, the uninstall profile) must fit its 260-character
// buffers: refused when even the shortest expansion is too long, a warning
// when the expansion on a usual machine is.
#ifndef AZPACK_FOLDER_CHECK_H
#define AZPACK_FOLDER_CHECK_H

#include <string>
#include <vector>

#include "write/header_settings.h"

namespace azpack {

// The longest path the installer may write or record: a 260-character
// buffer with its terminator. An entry's path must leave room for the name
// of the file written beside it (system/files/side_file_name.h).
constexpr size_t kLongestInstalledPath = 259;

// `folder` holds the template in UTF-8 as given; false with `error` when it
// is refused, warnings appended either way.
bool checkInstallFolder(const Setting& folder, std::vector<std::string>* warnings,
                        std::string* error);

// `longestEntry` is the longest entry name (Windows-1252); `installerName`
// the installer file's base name, the leaf a template ending in a macro gets.
// false with `error` when no machine could record the paths.
bool checkInstalledPathLengths(const Setting& folder, const std::string& longestEntry,
                               const std::string& installerName, std::vector<std::string>* warnings,
                               std::string* error);

}  // namespace azpack

#endif
