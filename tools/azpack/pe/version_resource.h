// The version resource (VS_VERSIONINFO) of an installer: read into a tree of
// blocks, its fixed versions and strings changed, and written back.
//
// Every block is: 16-bit length, 16-bit value length, 16-bit type (1 text,
// 0 binary), a NUL-terminated UTF-16 key, padding to 4 bytes, the value,
// padding to 4 bytes, then the child blocks, each starting on 4 bytes. The
// root's value is VS_FIXEDFILEINFO; "StringFileInfo" holds one table per
// language and code page ("040C04E4"), whose children are the strings.
#ifndef AZPACK_VERSION_RESOURCE_H
#define AZPACK_VERSION_RESOURCE_H

#include <cstdint>
#include <string>
#include <vector>

namespace azpack {

struct VersionBlock {
    std::u16string key;
    uint16_t type = 0;
    uint16_t valueLength = 0;          // as stored: characters for text
    std::vector<unsigned char> value;  // the value's bytes
    std::vector<VersionBlock> children;
};

// Reads a whole version resource; false on any length or bound that does
// not hold.
bool parseVersionResource(const std::vector<unsigned char>& bytes, VersionBlock* root);
std::vector<unsigned char> writeVersionResource(const VersionBlock& root);

// The text of string `key` (UTF-8, ASCII expected) in the first string table;
// empty when absent.
std::string versionString(const VersionBlock& root, const std::string& key);

// A version of one to four numbers of 0-65535 separated by dots, missing
// parts zero; false for anything else.
bool parseVersionNumbers(const std::string& text, uint16_t (&parts)[4]);

struct VersionFace {
    std::string productVersion;  // "1.2.3", already checked
    std::string productName;
    std::string company;
    std::string description;
    std::string copyright;
};

// Sets the fixed file and product versions and the strings FileVersion,
// ProductVersion, ProductName, CompanyName, FileDescription, LegalCopyright
// (each only when given) in the first string table. Texts are UTF-8; false
// when the resource has no fixed part or no string table.
bool applyVersionFace(const VersionFace& face, VersionBlock* root, std::string* error);

}  // namespace azpack

#endif
