// The command line as UTF-8 texts. On Windows the narrow argv is in the ANSI
// code page and may have lost characters, so the wide command line is used.
#ifndef AZPACK_UTF8_ARGUMENTS_H
#define AZPACK_UTF8_ARGUMENTS_H

#include <string>
#include <vector>

namespace azpack {

std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace azpack

#endif
