#include "write/folder_check.h"

#include <cctype>

#include "names/code_page.h"
#include "system/files/side_file_name.h"
#include "system/folders/folder_template.h"

namespace azpack {

namespace {

// The value names of the user's "Shell Folders" key that Windows writes,
// with where Windows puts each below the user's profile (or the Windows
// folder, for Fonts) unless it was moved.
struct ShellFolder {
    const char* name;
    const char* usualPlace;
};
const ShellFolder kShellFolders[] = {
    {"AppData", "AppData\\Roaming"},
    {"Cache", "AppData\\Local\\Microsoft\\Windows\\INetCache"},
    {"CD Burning", "AppData\\Local\\Microsoft\\Windows\\Burn\\Burn"},
    {"Cookies", "AppData\\Local\\Microsoft\\Windows\\INetCookies"},
    {"Desktop", "Desktop"},
    {"Favorites", "Favorites"},
    {"Fonts", nullptr},
    {"History", "AppData\\Local\\Microsoft\\Windows\\History"},
    {"Local AppData", "AppData\\Local"},
    {"My Music", "Music"},
    {"My Pictures", "Pictures"},
    {"My Video", "Videos"},
    {"NetHood", "AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts"},
    {"Personal", "Documents"},
    {"PrintHood", "AppData\\Roaming\\Microsoft\\Windows\\Printer Shortcuts"},
    {"Programs", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"Recent", "AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {"SendTo", "AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
    {"Start Menu", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {"Startup", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {"Templates", "AppData\\Roaming\\Microsoft\\Windows\\Templates"}};
const char* const kOwnMacros[] = {"programfiles", "windir", "tempdir"};

// A user name of the longest length Windows allows (20 characters).
const char kUsualProfile[] = "C:\\Users\\user-name-of-20-chars";
// What the i686 installer reads on 64-bit Windows, the longer of the two.
const char kUsualProgramFiles[] = "C:\\Program Files (x86)";
// Marks the program-files folder, to see whether an expansion stays in it.
const char kProgramFilesMark[] = "C:\\<program files>";

bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A machine whose folders are stand-ins of one kind: every folder a full
// path and every registry value there (kCheck), every folder the shortest
// full path "C:" (kShortest), every folder where Windows puts it (kUsual).
class StandInMachine : public FolderLookups {
  public:
    enum Kind { kCheck, kShortest, kUsual, kMarked };
    explicit StandInMachine(Kind kind) : kind_(kind) {}

    std::string unknownMacro;

    bool readUserValue(const char*, const char*, TextBuffer& out) override {
        return answer(pick("C:\\Registry", kUsualProgramFiles), out);
    }
    bool readTempFolder(TextBuffer& out) override {
        return answer(pick("C:\\Temp\\", usual("AppData\\Local\\Temp\\").c_str()), out);
    }
    bool readWindowsFolder(TextBuffer& out) override {
        return answer(pick("C:\\Windows\\", "C:\\Windows\\"), out);
    }
    bool readProgramFilesFolder(TextBuffer& out) override {
        if (kind_ == kMarked)
            return answer(kProgramFilesMark, out);
        return answer(pick("C:\\Program Files", kUsualProgramFiles), out);
    }
    bool readShellFolder(const char* valueName, TextBuffer& out) override {
        for (const ShellFolder& known : kShellFolders) {
            if (sameIgnoringCase(valueName, known.name)) {
                std::string place =
                    known.usualPlace == nullptr ? "C:\\Windows\\Fonts" : usual(known.usualPlace);
                return answer(pick("C:\\Users\\Me\\Shell", place.c_str()), out);
            }
        }
        if (unknownMacro.empty())
            unknownMacro = valueName;
        out.clear();
        return false;
    }
    void createFolder(const char*) override {}

  private:
    Kind kind_;

    const char* pick(const char* check, const char* usualPlace) const {
        if (kind_ == kShortest)
            return "C:";
        return kind_ == kUsual ? usualPlace : check;
    }
    static std::string usual(const char* below) {
        return std::string(kUsualProfile) + "\\" + below;
    }
    static bool answer(const char* text, TextBuffer& out) {
        out.clear();
        out.append(text);
        return true;
    }
};

std::string expandOn(StandInMachine::Kind kind, const std::string& encoded, const char* leaf) {
    StandInMachine machine(kind);
    ExpandedFolder expanded = expandFolderWith(machine, encoded.c_str(), leaf);
    return expanded.path.text == nullptr ? "" : expanded.path.text;
}

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
    for (const ShellFolder& folder : kShellFolders)
        names += std::string(", %") + folder.name + "%";
    return names;
}

// Below the program-files folder, and never back out of it through "..".
bool staysInProgramFiles(const std::string& path) {
    const std::string mark = kProgramFilesMark;
    if (path.compare(0, mark.size(), mark) != 0)
        return false;
    if (path.size() > mark.size() && path[mark.size()] != '\\')
        return false;
    std::string rest = path.substr(mark.size()) + "\\";
    return rest.find("\\..\\") == std::string::npos;
}

struct Recorded {
    std::string path;
    size_t limit;
};

// The path the installer writes or records in `folder` that comes nearest
// its limit: the entry with the longest name (written first beside itself,
// under a name kSideSuffixRoom longer) or the uninstall profile.
Recorded longestRecorded(const std::string& folder, const std::string& longestEntry) {
    std::string base = folder;
    if (base.empty() || base.back() != '\\')
        base += '\\';
    Recorded profile{base + "TAVUUNINSTALL.INI", kLongestInstalledPath};
    Recorded entry{base + longestEntry, kLongestInstalledPath - kSideSuffixRoom};
    return entry.path.size() + kSideSuffixRoom > profile.path.size() ? entry : profile;
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
    StandInMachine machine(StandInMachine::kCheck);
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
    if (!staysInProgramFiles(expandOn(StandInMachine::kMarked, encoded, "setup"))) {
        warnings->push_back(
            where + ": install folder '" + folder.value +
            "' can lead outside the program-files folder: the installer then gives the folder "
            "it creates the program-files protection (only administrators may change it) and "
            "the product's users cannot write there; start it with %PROGRAMFILES%\\");
    }
    return true;
}

bool checkInstalledPathLengths(const Setting& folder, const std::string& longestEntry,
                               const std::string& installerName, std::vector<std::string>* warnings,
                               std::string* error) {
    const std::string where = folder.origin.empty() ? "install folder" : folder.origin;
    std::string encoded;
    std::string reason;
    if (!utf8ToCp1252(folder.value, &encoded, &reason))
        return true;  // refused with its reason when the header is encoded
    std::string leaf;
    if (!utf8ToCp1252(installerName, &leaf, &reason) || leaf.empty())
        leaf = "setup";
    const Recorded shortest =
        longestRecorded(expandOn(StandInMachine::kShortest, encoded, "s"), longestEntry);
    if (shortest.path.size() > shortest.limit) {
        *error = where + ": with this install folder the installer would record paths of " +
                 std::to_string(shortest.path.size()) + " characters even on a machine whose " +
                 "folders are all at the drive's root (such as " + cp1252ToUtf8(shortest.path) +
                 "); it records at most " + std::to_string(shortest.limit) +
                 " and would refuse to install: shorten the folder or the entry names";
        return false;
    }
    const Recorded usual =
        longestRecorded(expandOn(StandInMachine::kUsual, encoded, leaf.c_str()), longestEntry);
    if (usual.path.size() > usual.limit) {
        warnings->push_back(where + ": installed paths may pass " + std::to_string(usual.limit) +
                            " characters, where the installer refuses to install: the longest is " +
                            std::to_string(usual.path.size()) +
                            " characters with the folders where Windows " + "puts them (" +
                            kUsualProgramFiles +
                            ", a 20-character user name): " + cp1252ToUtf8(usual.path));
    }
    return true;
}

}  // namespace azpack
