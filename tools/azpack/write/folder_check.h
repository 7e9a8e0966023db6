// The install folder template checked at build time with the installer's own
// expansion code, on a machine whose folders are stand-ins: a template that
// can never give a full path is refused; an unknown macro (the installer then
// uses the Desktop) and an empty template are warnings.
#ifndef AZPACK_FOLDER_CHECK_H
#define AZPACK_FOLDER_CHECK_H

#include <string>
#include <vector>

#include "write/header_settings.h"

namespace azpack {

// `folder` holds the template in UTF-8 as given; false with `error` when it
// is refused, warnings appended either way.
bool checkInstallFolder(const Setting& folder, std::vector<std::string>* warnings,
                        std::string* error);

}  // namespace azpack

#endif
