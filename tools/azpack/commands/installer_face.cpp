#include "commands/installer_face.h"

#include "names/code_page.h"

namespace azpack {

namespace {

bool checkText(const Setting& setting, const char* what, std::string* error) {
    std::string encoded;
    std::string reason;
    if (!utf8ToCp1252(setting.value, &encoded, &reason)) {
        *error = setting.origin + ": " + what + " " + reason;
        return false;
    }
    if (setting.value.size() > 1000) {
        *error = setting.origin + ": " + what + " longer than 1000 bytes";
        return false;
    }
    return true;
}

}  // namespace

bool installerFace(const HeaderSettings& settings, const std::filesystem::path& project,
                   InstallerFace* face, std::string* error) {
    *face = InstallerFace();
    if (!settings.setupIcon.value.empty()) {
        std::filesystem::path icon = std::filesystem::u8path(settings.setupIcon.value);
        if (settings.setupIcon.origin != "--setup-icon" && !project.empty() && icon.is_relative())
            icon = project.parent_path() / icon;
        if (!readIconFile(icon, &face->icon, error)) {
            *error = settings.setupIcon.origin + ": " + *error;
            return false;
        }
        face->hasIcon = true;
    }
    const Setting& version = settings.productVersion;
    if (!version.value.empty()) {
        uint16_t parts[4];
        if (!parseVersionNumbers(version.value, parts)) {
            *error = version.origin + ": product version '" + version.value +
                     "' is not one to four numbers of 0-65535 separated by dots (such as 1.2.0)";
            return false;
        }
    }
    if (!checkText(settings.company, "company", error) ||
        !checkText(settings.description, "description", error) ||
        !checkText(settings.copyright, "copyright", error))
        return false;
    // The stub's own version would otherwise stand as the product's, in
    // Explorer and in the Uninstall entry beside the company.
    if (version.value.empty() && !settings.company.value.empty()) {
        *error = settings.company.origin +
                 ": a company needs a product version too (--product-version or "
                 "product-version in the project file)";
        return false;
    }
    face->hasVersion = !version.value.empty() || !settings.company.value.empty() ||
                       !settings.description.value.empty() || !settings.copyright.value.empty();
    face->version.productVersion = version.value;
    face->version.productName = settings.productName.value;
    face->version.company = settings.company.value;
    face->version.description = settings.description.value;
    face->version.copyright = settings.copyright.value;
    return true;
}

}  // namespace azpack
