// The settings that go into the payload header, as the user gives them
// (UTF-8), with where each came from for messages; and the project file that
// holds them for repeatable builds.
//
// Project file: UTF-8 text, one `key = value` per line. Blank lines and lines
// whose first non-blank character is '#' are ignored; blanks around keys and
// values are dropped; a value runs to the end of its line, without escapes,
// so backslashes, '%' and '$' are taken as they are; a value that starts and
// ends with a double quote is the text between them. Keys: main-program,
// install-folder, product-name, favorites-name, icon-file, start-menu-name,
// language, the installer file's own face (not in the header): setup-icon,
// product-version, company, description, copyright; and strict (true or
// false: warnings fail the build). An unknown or repeated key is an error
// that lists the keys.
#ifndef AZPACK_HEADER_SETTINGS_H
#define AZPACK_HEADER_SETTINGS_H

#include <filesystem>
#include <string>
#include <vector>

#include "payload/layout.h"

namespace azpack {

struct Setting {
    std::string value;
    std::string origin;  // "--product-name" or "PROJECT:LINE"
};

struct HeaderSettings {
    Setting language{"fr", "the default language"};
    Setting mainProgram;
    Setting installFolder;
    Setting productName;
    Setting favoritesName;
    Setting iconFile;
    Setting startMenuName;
    // The installer file's icon and version resource.
    Setting setupIcon;
    Setting productVersion;
    Setting company;
    Setting description;
    Setting copyright;
    // Not a header text: "true" makes every warning fail the build.
    Setting strict;

    // The setting for a project-file key or an option name without its
    // dashes ("product-name"); nullptr for an unknown key.
    Setting* find(const std::string& key);
};

// The keys of the text settings, each also an option "--KEY TEXT".
const std::vector<std::string>& textSettingKeys();

bool readProjectFile(const std::filesystem::path& path, HeaderSettings* settings,
                     std::string* error);

// Converts to Windows-1252 and fills the 2444-byte record: size 2444,
// reserved 28, 1, 1, 0, 0, texts zero-padded. Refuses a text that the code
// page cannot hold or that leaves no room for its terminator.
bool encodeHeader(const HeaderSettings& settings, unsigned char (&record)[payload::kHeaderSize],
                  std::string* error);

}  // namespace azpack

#endif
