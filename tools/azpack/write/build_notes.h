// What the header settings and the entries will make the installer do on
// the user's machine, checked at build time. For an installer, a main
// program that is not an entry and an install folder that is never a full
// path are refused (with `lenient`, only warned about, for tests of the
// installer's own fallbacks), and an empty install folder is warned about;
// a bare payload only gets warnings. Names with a built-in meaning get a
// one-line note each.
#ifndef AZPACK_BUILD_NOTES_H
#define AZPACK_BUILD_NOTES_H

#include <string>
#include <vector>

#include "write/header_settings.h"
#include "write/source_tree.h"

namespace azpack {

bool checkHeaderUse(const HeaderSettings& settings, const std::vector<SourceFile>& files,
                    bool installer, bool lenient, std::vector<std::string>* notes,
                    std::string* error);

}  // namespace azpack

#endif
