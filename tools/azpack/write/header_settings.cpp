#include "write/header_settings.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "io/file_io.h"
#include "names/code_page.h"
#include "names/nearest_name.h"

namespace azpack {

namespace {

// Not read by the installer; the values every payload has carried.
constexpr int32_t kReservedValues[5] = {28, 1, 1, 0, 0};
constexpr size_t kMaxProjectFileSize = 1 << 20;

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// A value written as "..." is the text between the quotes, taken as it is:
// the way to keep blanks at its ends, and what a value copied from a
// Windows dialog or a shell line looks like.
std::string unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

bool putText(const Setting& setting, const char* field, unsigned char* record, size_t offset,
             size_t width, std::string* error) {
    std::string encoded;
    std::string reason;
    if (!utf8ToCp1252(setting.value, &encoded, &reason)) {
        *error = setting.origin + ": " + field + " " + reason;
        return false;
    }
    if (encoded.find('\0') != std::string::npos) {
        *error = setting.origin + ": " + field + " holds a zero byte";
        return false;
    }
    if (encoded.size() + 1 > width) {
        *error = setting.origin + ": " + field + " is " + std::to_string(encoded.size()) +
                 " bytes in Windows-1252; the field holds " + std::to_string(width - 1);
        return false;
    }
    std::memcpy(record + offset, encoded.data(), encoded.size());
    return true;
}

}  // namespace

const std::vector<std::string>& textSettingKeys() {
    static const std::vector<std::string> keys = {
        "main-program",    "install-folder",  "product-name", "favorites-name",
        "icon-file",       "start-menu-name", "language",     "setup-icon",
        "product-version", "company",         "description",  "copyright"};
    return keys;
}

Setting* HeaderSettings::find(const std::string& key) {
    if (key == "language")
        return &language;
    if (key == "main-program")
        return &mainProgram;
    if (key == "install-folder")
        return &installFolder;
    if (key == "product-name")
        return &productName;
    if (key == "favorites-name")
        return &favoritesName;
    if (key == "icon-file")
        return &iconFile;
    if (key == "start-menu-name")
        return &startMenuName;
    if (key == "setup-icon")
        return &setupIcon;
    if (key == "product-version")
        return &productVersion;
    if (key == "company")
        return &company;
    if (key == "description")
        return &description;
    if (key == "copyright")
        return &copyright;
    if (key == "strict")
        return &strict;
    return nullptr;
}

bool readProjectFile(const std::filesystem::path& path, HeaderSettings* settings,
                     std::string* error) {
    InputFile file;
    if (!file.open(path, error))
        return false;
    if (file.size() > kMaxProjectFileSize) {
        *error = displayPath(path) + ": project file is larger than 1 MiB";
        return false;
    }
    std::string text(static_cast<size_t>(file.size()), '\0');
    if (!file.readExact(0, &text[0], text.size(), error))
        return false;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);

    std::vector<std::string> seen;
    size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        size_t end = text.find('\n', start);
        std::string raw = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        std::string where = displayPath(path) + ":" + std::to_string(line);
        std::string content = trim(raw);
        if (content.empty() || content[0] == '#')
            continue;
        size_t equals = content.find('=');
        if (equals == std::string::npos) {
            *error = where + ": expected 'key = value'";
            return false;
        }
        std::string key = trim(content.substr(0, equals));
        Setting* setting = settings->find(key);
        if (setting == nullptr) {
            std::vector<std::string> keys = textSettingKeys();
            keys.push_back("strict");
            std::string nearest = nearestName(key, keys);
            for (const std::string& known : keys) {
                if (nearest.empty() && key.size() >= 4 && known.find(key) != std::string::npos)
                    nearest = known;  // "version" for "product-version"
            }
            *error = where + ": unknown key '" + key + "'" +
                     (nearest.empty() ? "" : " (did you mean '" + nearest + "'?)") + "; keys are";
            for (const std::string& known : keys)
                *error += " " + known;
            return false;
        }
        for (const std::string& earlier : seen) {
            if (earlier == key) {
                *error = where + ": key '" + key + "' given twice";
                return false;
            }
        }
        seen.push_back(key);
        setting->value = unquote(trim(content.substr(equals + 1)));
        setting->origin = where;
    }
    return true;
}

bool encodeHeader(const HeaderSettings& settings, unsigned char (&record)[payload::kHeaderSize],
                  std::string* error) {
    using payload::PayloadHeader;
    std::memset(record, 0, sizeof record);
    payload::writeU32(record + offsetof(PayloadHeader, size), payload::kHeaderSize);
    for (int i = 0; i < 5; ++i) {
        payload::writeI32(record + offsetof(PayloadHeader, reserved) + 4 * i, kReservedValues[i]);
    }
    struct Field {
        const Setting& setting;
        const char* name;
        size_t offset;
        size_t width;
    };
    const Field fields[] = {
        {settings.language, "language", offsetof(PayloadHeader, language),
         sizeof(PayloadHeader::language)},
        {settings.mainProgram, "main program", offsetof(PayloadHeader, mainProgram),
         sizeof(PayloadHeader::mainProgram)},
        {settings.installFolder, "install folder", offsetof(PayloadHeader, installFolder),
         sizeof(PayloadHeader::installFolder)},
        {settings.productName, "product name", offsetof(PayloadHeader, productName),
         sizeof(PayloadHeader::productName)},
        {settings.favoritesName, "favorites name", offsetof(PayloadHeader, favoritesName),
         sizeof(PayloadHeader::favoritesName)},
        {settings.iconFile, "icon file", offsetof(PayloadHeader, iconFile),
         sizeof(PayloadHeader::iconFile)},
        {settings.startMenuName, "start menu name", offsetof(PayloadHeader, startMenuName),
         sizeof(PayloadHeader::startMenuName)},
    };
    for (const Field& field : fields) {
        if (!putText(field.setting, field.name, record, field.offset, field.width, error))
            return false;
    }
    return true;
}

}  // namespace azpack
