#include "write/folder_check.h"

#include <cctype>

#include "names/code_page.h"
#include "system/folder_template.h"

namespace azpack {

namespace {

// The value names of the user's "Shell Folders" key that Windows writes.
const char* const kShellFolders[] = {
    "AppData",    "Cache",    "CD Burning",    "Cookies",  "Desktop",     "Favorites",
    "Fonts",      "History",  "Local AppData", "My Music", "My Pictures", "My Video",
    "NetHood",    "Personal", "PrintHood",     "Programs", "Recent",      "SendTo",
    "Start Menu", "Startup",  "Templates"};
const char* const kOwnMacros[] = {"programfiles", "windir", "tempdir"};

bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A machine on which every folder is a full path and every registry value
// is there: what is left to go wrong is the template itself.
class StandInMachine : public FolderLookups {
  public:
    std::string unknownMacro;
    bool sawMacro = false;

    bool readUserValue(const char*, const char*, TextBuffer& out) override {
        return answer("C:\\Registry", out);
    }
    bool readTempFolder(TextBuffer& out) override { return answer("C:\\Temp\\", out); }
    bool readWindowsFolder(TextBuffer& out) override { return answer("C:\\Windows\\", out); }
    bool readProgramFilesFolder(TextBuffer& out) override {
        return answer("C:\\Program Files", out);
    }
    bool readShellFolder(const char* valueName, TextBuffer& out) override {
        sawMacro = true;
        for (const char* known : kShellFolders) {
            if (sameIgnoringCase(valueName, known))
                return answer("C:\\Users\\Me\\Shell", out);
        }
        if (unknownMacro.empty())
            unknownMacro = valueName;
        out.clear();
        return false;
    }
    void createFolder(const char*) override {}

  private:
    static bool answer(const char* text, TextBuffer& out) {
        out.clear();
        out.append(text);
        return true;
    }
};

bool isFullPath(const char* path) {
    if (path == nullptr)
        return false;
    bool drive =
        std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
    bool unc = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && path[2] != '\\';
    return drive || unc;
}

std::string knownNames() {
    std::string names;
    for (const char* name : kOwnMacros)
        names += std::string(names.empty() ? "" : ", ") + "%" + name + "%";
    for (const char* name : kShellFolders)
        names += std::string(", %") + name + "%";
    return names;
}

}  // namespace

bool checkInstallFolder(const Setting& folder, std::vector<std::string>* warnings,
                        std::string* error) {
    const std::string where = folder.origin.empty() ? "install folder" : folder.origin;
    if (folder.value.empty()) {
        warnings->push_back(where +
                            ": no install folder: the installer puts the product on the user's "
                            "Desktop, in a folder named after the installer file");
        return true;
    }
    std::string encoded;
    std::string reason;
    if (!utf8ToCp1252(folder.value, &encoded, &reason))
        return true;  // refused with its reason when the header is encoded
    StandInMachine machine;
    ExpandedFolder expanded = expandFolderWith(machine, encoded.c_str(), "setup");
    if (!isFullPath(expanded.path.text)) {
        *error = where + ": install folder '" + folder.value +
                 "' never gives a full path on the user's machine: start it with a drive "
                 "(C:\\...), a UNC name (\\\\server\\share\\...), a %MACRO% such as "
                 "%PROGRAMFILES% or a $Key\\Value$ registry reference";
        return false;
    }
    if (!machine.unknownMacro.empty()) {
        warnings->push_back(where + ": %" + machine.unknownMacro +
                            "% is not a folder macro the installer knows: the product would land "
                            "on the Desktop. Known names: " +
                            knownNames());
    }
    return true;
}

}  // namespace azpack
