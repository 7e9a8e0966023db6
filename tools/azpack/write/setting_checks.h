// Characters that no Windows path or name may hold, refused in the settings
// that become paths or names on the user's machine (install folder, product
// name, shortcut names, entry names, language): double quotes, < > | ? * and
// control characters. The installer file's version texts may hold quotes;
// only control characters are refused there.
#ifndef AZPACK_SETTING_CHECKS_H
#define AZPACK_SETTING_CHECKS_H

#include <string>

#include "write/header_settings.h"

namespace azpack {

// false with "ORIGIN: what 'value' holds ...: reason" for the first fault.
bool checkSettingCharacters(const HeaderSettings& settings, std::string* error);

}  // namespace azpack

#endif
