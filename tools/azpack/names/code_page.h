// Windows-1252, the code page of the installer's French target: every entry
// name and header text is stored in it. The five bytes the code page leaves
// undefined (0x81 0x8D 0x8F 0x90 0x9D) map to U+0081 etc., as Windows maps
// them, so that every byte string converts both ways.
#ifndef AZPACK_CODE_PAGE_H
#define AZPACK_CODE_PAGE_H

#include <string>

namespace azpack {

// UTF-8 to Windows-1252. False when the text is not valid UTF-8 or holds a
// character the code page has no byte for; `*reason` then says which.
bool utf8ToCp1252(const std::string& utf8, std::string* out, std::string* reason);

// Windows-1252 to UTF-8; every byte has a character.
std::string cp1252ToUtf8(const std::string& text);

// Folds a Windows-1252 byte to upper case the way the Windows file system
// does for this code page (ASCII and accented letters alike).
char foldCp1252(char c);

// The ASCII-only fold used by the installer's own comparisons.
char foldAscii(char c);

}  // namespace azpack

#endif
