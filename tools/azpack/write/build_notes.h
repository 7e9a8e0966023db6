// What the header settings and the entries will make the installer do on
// the user's machine, checked at build time, before anything is written.
// Settings holding characters no Windows path or name may hold are refused.
// For an installer, a main program that is not an entry, an install folder
// that is never a full path and one whose installed paths can never be
// recorded are refused (with `lenient`, only warned about, for tests of the
// installer's own fallbacks); the install folder's other risks and what the
// tree holds that an installer cannot carry are warnings; a bare payload
// only gets warnings. Names with a built-in meaning get a one-line note
// each. With `strict`, any warning refuses the build.
#ifndef AZPACK_BUILD_NOTES_H
#define AZPACK_BUILD_NOTES_H

#include <string>
#include <vector>

#include "write/payload_builder.h"
#include "write/source_tree.h"

namespace azpack {

bool checkHeaderUse(const BuildRequest& request, const std::vector<SourceFile>& files,
                    const std::vector<std::string>& emptyFolders, std::vector<std::string>* notes,
                    std::string* error);

}  // namespace azpack

#endif
