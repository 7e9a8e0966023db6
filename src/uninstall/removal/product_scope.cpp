#include "uninstall/removal/product_scope.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

#include "base/matching.h"
#include "system/shell/registry.h"
#include "uninstall/program/command_line.h"
#include "uninstall/removal/final_path.h"
#include "uninstall/rules/path_rules.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const int32_t kRoom = 1024;
const uint32_t kValueBytes = 4096;

// Both views: an installer of the other bitness registers in its own.
const REGSAM kViews[2] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

const int kShortcutFolders[] = {CSIDL_DESKTOPDIRECTORY,
                                CSIDL_FAVORITES,
                                CSIDL_STARTMENU,
                                CSIDL_PROGRAMS,
                                CSIDL_COMMON_DESKTOPDIRECTORY,
                                CSIDL_COMMON_FAVORITES,
                                CSIDL_COMMON_STARTMENU,
                                CSIDL_COMMON_PROGRAMS};

bool exists(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES;
}

bool isLink(DWORD attributes) {
    return exists(attributes) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool isFolder(DWORD attributes) {
    return exists(attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A missing name, or one below a missing folder: nothing there to remove.
bool isMissing() {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The length of the folder part of `path`, or -1 at a root ("X:\name").
int32_t parentLength(const char* path) {
    const char* last = std::strrchr(path, '\\');
    if (last == nullptr)
        return -1;
    int32_t length = static_cast<int32_t>(last - path);
    return length <= 2 || (path[0] == '\\' && std::strchr(path + 2, '\\') == last) ? -1 : length;
}

bool isShortcutName(const char* path) {
    int32_t length = static_cast<int32_t>(std::strlen(path));
    return length > 4 && equalsIgnoreCase(path + length - 4, ".LNK");
}

// The existing file's final path, when it is no link or folder.
bool readPlainFile(const char* path, TextBuffer& out) {
    DWORD attributes = GetFileAttributesA(path);
    return exists(attributes) && !isLink(attributes) && !isFolder(attributes) &&
           readFinalPath(path, out);
}

}  // namespace

ProductScope::ProductScope(const MachineFacts& facts)
    : facts_(facts),
      installFolder_(kRoom),
      checkedFolder_(kRoom),
      checkedVerdict_(0),
      comReady_(0) {}

ProductScope::~ProductScope() {
    if (comReady_ > 0)
        CoUninitialize();
}

int32_t ProductScope::findEntries(const char* profilePath) {
    installFolder_.clear();
    TextBuffer self(kRoom);
    TextBuffer selfPath(kRoom);
    TextBuffer profile(kRoom);
    if (self.text == nullptr)
        return 0;
    DWORD length = GetModuleFileNameA(nullptr, self.text, DWORD(self.capacity));
    if (length == 0 || length >= DWORD(self.capacity) || !readPlainFile(self.text, selfPath) ||
        !readPlainFile(profilePath, profile))
        return 0;
    for (REGSAM view : kViews)
        readEntries(view, selfPath.text, profile.text);
    return installFolder_.isEmpty() ? 0 : 1;
}

void ProductScope::readEntries(uint32_t view, const char* selfPath, const char* profilePath) {
    HKEY entries = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &entries) !=
        ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name;
        LONG result =
            RegEnumKeyExA(entries, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        TextBuffer key(kUninstallKey);
        key.appendChar('\\').append(name);
        if (key.text != nullptr && entryMatches(view, key.text, selfPath, profilePath))
            ownKeys_.add(key.text);
        else if (key.text != nullptr)
            otherKeys_.add(key.text);
    }
    RegCloseKey(entries);
}

int32_t ProductScope::entryMatches(uint32_t view, const char* key, const char* selfPath,
                                   const char* profilePath) {
    TextBuffer location(kRoom);
    TextBuffer locationPath(kRoom);
    if (!readRegistryText(HKEY_LOCAL_MACHINE, key, "InstallLocation", KEY_READ | view, kValueBytes,
                          location))
        return 0;
    int32_t end = location.length();
    while (end > 3 && location.text[end - 1] == '\\')
        location.text[--end] = '\0';
    if (!isAdmissibleFolder(location.text, facts_))
        return 0;
    DWORD attributes = GetFileAttributesA(location.text);
    if (!isFolder(attributes) || isLink(attributes) ||
        !readFinalPath(location.text, locationPath) ||
        !isAdmissibleFolder(locationPath.text, facts_))
        return 0;
    int32_t folderLength = parentLength(profilePath);
    if (folderLength < 0)
        return 0;
    TextBuffer profileFolder(kRoom);
    profileFolder.appendBytes(profilePath, folderLength);
    if (!isSameFolder(locationPath.text, profileFolder.text))
        return 0;
    // Every command given runs this uninstaller on this profile.
    int32_t matched = 0;
    for (const char* value : {"UninstallString", "QuietUninstallString"}) {
        TextBuffer command(kRoom);
        if (!readRegistryText(HKEY_LOCAL_MACHINE, key, value, KEY_READ | view, kValueBytes,
                              command))
            continue;
        TextBuffer program(kRoom);
        TextBuffer profile(kRoom);
        TextBuffer programPath(kRoom);
        TextBuffer profileNamed(kRoom);
        int32_t silent = 0;
        if (!readCommandProgram(command.text, program) ||
            !readUninstallCommandLine(command.text, &silent, profile) ||
            !readPlainFile(program.text, programPath) ||
            !readPlainFile(profile.text, profileNamed) ||
            !isSameFolder(programPath.text, selfPath) ||
            !isSameFolder(profileNamed.text, profilePath))
            return 0;
        matched = 1;
    }
    if (matched && installFolder_.isEmpty())
        installFolder_.assign(locationPath.text);
    return matched && isSameFolder(installFolder_.text, locationPath.text);
}

int32_t ProductScope::keepOwnLines(const UninstallProfile& profile, UninstallProfile& out,
                                   int32_t& refused) {
    refused = 0;
    return keepOwned(profile.files, &ProductScope::ownsFileOrShortcut, out.files, refused) &&
           keepOwned(profile.dirs, &ProductScope::ownsFolder, out.dirs, refused) &&
           keepOwned(profile.keys, &ProductScope::ownsKey, out.keys, refused);
}

int32_t ProductScope::keepOwned(const PathList& lines, Owns owns, PathList& out, int32_t& refused) {
    for (int32_t i = 0; i < lines.count(); ++i) {
        if (!(this->*owns)(lines.at(i)))
            ++refused;
        else if (!out.add(lines.at(i)))
            return 0;
    }
    return 1;
}

int32_t ProductScope::ownsFileOrShortcut(const char* path) {
    return ownsFile(path) || ownsShortcut(path);
}

// Walks up from `folder` to the install folder: every existing step must
// resolve inside it and none may be a link or junction (the install folder
// itself was found to be none). Files of one folder follow each other in a
// profile, so the last verdict is kept.
int32_t ProductScope::reachesInstallFolder(const char* folder) {
    if (!checkedFolder_.isEmpty() && std::strcmp(checkedFolder_.text, folder) == 0)
        return checkedVerdict_;
    checkedFolder_.assign(folder);
    checkedVerdict_ = 0;
    TextBuffer step(folder);
    TextBuffer stepPath(kRoom);
    while (step.text != nullptr) {
        DWORD attributes = GetFileAttributesA(step.text);
        if (exists(attributes)) {
            if (!readFinalPath(step.text, stepPath))
                return 0;
            if (isSameFolder(stepPath.text, installFolder_.text)) {
                checkedVerdict_ = 1;
                return 1;
            }
            if (isLink(attributes) || !isFolder(attributes) ||
                !isInside(stepPath.text, installFolder_.text))
                return 0;
        } else if (!isMissing()) {
            return 0;
        }
        int32_t length = parentLength(step.text);
        if (length < 0)
            return 0;
        step.text[length] = '\0';
    }
    return 0;
}

int32_t ProductScope::ownsFolder(const char* path) {
    return isPlainFullPath(path) && reachesInstallFolder(path);
}

int32_t ProductScope::ownsFile(const char* path) {
    if (!isPlainFullPath(path))
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (isLink(attributes) || isFolder(attributes) || (!exists(attributes) && !isMissing()))
        return 0;
    int32_t length = parentLength(path);
    if (length < 0)
        return 0;
    TextBuffer folder(kRoom);
    folder.appendBytes(path, length);
    return folder.text != nullptr && reachesInstallFolder(folder.text);
}

// A ".LNK" file directly in a shortcut folder whose target lies in the
// install folder; a missing one is taken (there is nothing to remove).
int32_t ProductScope::ownsShortcut(const char* path) {
    int32_t length = parentLength(path);
    if (!isPlainFullPath(path) || !isShortcutName(path) || length < 0)
        return 0;
    if (shortcutFolders_.count() == 0)
        readShortcutFolders();
    TextBuffer folder(kRoom);
    TextBuffer folderPath(kRoom);
    folder.appendBytes(path, length);
    if (folder.text == nullptr || !readFinalPath(folder.text, folderPath))
        return 0;
    bool inShortcutFolder = false;
    for (int32_t i = 0; i < shortcutFolders_.count() && !inShortcutFolder; ++i)
        inShortcutFolder = isSameFolder(folderPath.text, shortcutFolders_.at(i)) != 0;
    if (!inShortcutFolder)
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (!exists(attributes))
        return isMissing() ? 1 : 0;
    if (isLink(attributes) || isFolder(attributes))
        return 0;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, widePath, MAX_PATH) == 0)
        return 0;
    if (comReady_ == 0)
        comReady_ = SUCCEEDED(CoInitialize(nullptr)) ? 1 : -1;
    char target[MAX_PATH + 1] = "";
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (FAILED(file->Load(widePath, STGM_READ)) ||
                FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target[0] = '\0';
            file->Release();
        }
        link->Release();
    }
    target[MAX_PATH] = '\0';
    return target[0] != '\0' && ownsFile(target);
}

int32_t ProductScope::ownsFinalPath(const char* finalPath) const {
    if (isInside(finalPath, installFolder_.text))
        return 1;
    int32_t length = parentLength(finalPath);
    if (length < 0 || !isShortcutName(finalPath))
        return 0;
    TextBuffer folder(kRoom);
    folder.appendBytes(finalPath, length);
    for (int32_t i = 0; i < shortcutFolders_.count(); ++i) {
        if (folder.text != nullptr && isSameFolder(folder.text, shortcutFolders_.at(i)))
            return 1;
    }
    return 0;
}

int32_t ProductScope::ownsFinalFolder(const char* finalPath) const {
    return isSameFolder(finalPath, installFolder_.text) || isInside(finalPath, installFolder_.text);
}

int32_t ProductScope::ownsKey(const char* key) {
    if (!isRemovableKey(key))
        return 0;
    bool own = false;
    for (int32_t i = 0; i < ownKeys_.count() && !own; ++i)
        own = equalsIgnoreCase(ownKeys_.at(i), key);
    // A key of that name in the other view belongs to another product.
    for (int32_t i = 0; i < otherKeys_.count() && own; ++i)
        own = !equalsIgnoreCase(otherKeys_.at(i), key);
    return own ? 1 : 0;
}

void ProductScope::readShortcutFolders() {
    char folder[MAX_PATH + 1];
    TextBuffer folderPath(kRoom);
    for (int id : kShortcutFolders) {
        if (SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
            readFinalPath(folder, folderPath))
            shortcutFolders_.add(folderPath.text);
    }
    // The folders the installer itself writes its shortcuts to.
    const char* const named[] = {facts_.desktop, facts_.favorites, facts_.startMenu};
    for (const char* given : named) {
        if (given == nullptr || given[0] == '\0')
            continue;
        if (readFinalPath(given, folderPath))
            shortcutFolders_.add(folderPath.text);
        TextBuffer programs(given);
        programs.append("\\Programs");
        if (programs.text != nullptr && readFinalPath(programs.text, folderPath))
            shortcutFolders_.add(folderPath.text);
    }
    if (shortcutFolders_.count() == 0)
        shortcutFolders_.add("");
}
