#include "write/setting_checks.h"

#include <cstdio>

#include "base/windows_names.h"

namespace azpack {

namespace {

std::string describe(char c) {
    if (c == '"')
        return "a double quote (write the value without quotes; in a project file a value in "
               "quotes is the text between them)";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(c));
        return std::string("the control character ") + code;
    }
    return std::string("'") + c + "'";
}

bool checkOne(const Setting& setting, const char* what, bool pathOrName, std::string* error) {
    for (char c : setting.value) {
        bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        bool reserved = isReservedPathCharacter(c) != 0;
        if (control || (pathOrName && reserved)) {
            *error = setting.origin + ": " + what + " '" + setting.value + "' holds " +
                     describe(c) + ", which no Windows " +
                     (pathOrName ? "path or name" : "version text") + " may hold";
            return false;
        }
    }
    return true;
}

}  // namespace

bool checkSettingCharacters(const HeaderSettings& settings, std::string* error) {
    return checkOne(settings.installFolder, "install folder", true, error) &&
           checkOne(settings.productName, "product name", true, error) &&
           checkOne(settings.favoritesName, "favorites name", true, error) &&
           checkOne(settings.startMenuName, "start menu name", true, error) &&
           checkOne(settings.mainProgram, "main program", true, error) &&
           checkOne(settings.iconFile, "icon file", true, error) &&
           checkOne(settings.language, "language", true, error) &&
           checkOne(settings.company, "company", false, error) &&
           checkOne(settings.description, "description", false, error) &&
           checkOne(settings.copyright, "copyright", false, error);
}

}  // namespace azpack
