// The installer file's face from the build settings: the icon file read and
// checked, the version texts checked, before anything is written.
#ifndef AZPACK_INSTALLER_FACE_H
#define AZPACK_INSTALLER_FACE_H

#include <filesystem>
#include <string>

#include "pe/pe_stamp.h"
#include "write/header_settings.h"

namespace azpack {

// `project` is the project file given (empty when none): a setup-icon read
// from it is relative to its folder. The version resource is changed only
// when a product version, company, description or copyright is given; the
// product name then goes in too. A company without a product version is
// refused: the stub's own version would stand for the product's.
bool installerFace(const HeaderSettings& settings, const std::filesystem::path& project,
                   InstallerFace* face, std::string* error);

}  // namespace azpack

#endif
