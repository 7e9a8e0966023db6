#include "uninstall/removal/machine_reader.h"

#include <windows.h>

#include <shlobj.h>

#include "system/folders/folders.h"
#include "system/folders/temp_folder.h"
#include "system/folders/windows_folder.h"
#include "system/shell/registry.h"
#include "uninstall/removal/final_path.h"

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kProfileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The folders of the system and the shell that no product owns.
const int kSystemFolders[] = {CSIDL_WINDOWS,
                              CSIDL_SYSTEM,
                              CSIDL_SYSTEMX86,
                              CSIDL_PROGRAM_FILES,
                              CSIDL_PROGRAM_FILESX86,
                              CSIDL_PROGRAM_FILES_COMMON,
                              CSIDL_PROGRAM_FILES_COMMONX86,
                              CSIDL_PROFILE,
                              CSIDL_PERSONAL,
                              CSIDL_MYPICTURES,
                              CSIDL_MYMUSIC,
                              CSIDL_MYVIDEO,
                              CSIDL_APPDATA,
                              CSIDL_LOCAL_APPDATA,
                              CSIDL_COMMON_APPDATA,
                              CSIDL_DESKTOPDIRECTORY,
                              CSIDL_FAVORITES,
                              CSIDL_STARTMENU,
                              CSIDL_PROGRAMS,
                              CSIDL_STARTUP,
                              CSIDL_SENDTO,
                              CSIDL_RECENT,
                              CSIDL_TEMPLATES,
                              CSIDL_FONTS,
                              CSIDL_COOKIES,
                              CSIDL_HISTORY,
                              CSIDL_INTERNET_CACHE,
                              CSIDL_NETHOOD,
                              CSIDL_PRINTHOOD,
                              CSIDL_ADMINTOOLS,
                              CSIDL_COMMON_DOCUMENTS,
                              CSIDL_COMMON_PICTURES,
                              CSIDL_COMMON_MUSIC,
                              CSIDL_COMMON_VIDEO,
                              CSIDL_COMMON_DESKTOPDIRECTORY,
                              CSIDL_COMMON_FAVORITES,
                              CSIDL_COMMON_STARTMENU,
                              CSIDL_COMMON_PROGRAMS,
                              CSIDL_COMMON_STARTUP,
                              CSIDL_COMMON_TEMPLATES,
                              CSIDL_COMMON_ADMINTOOLS,
                              CSIDL_RESOURCES};

const char* const kFolderVariables[] = {"USERPROFILE",
                                        "PUBLIC",
                                        "ALLUSERSPROFILE",
                                        "ProgramData",
                                        "ProgramFiles",
                                        "ProgramFiles(x86)",
                                        "ProgramW6432",
                                        "CommonProgramFiles",
                                        "SystemRoot",
                                        "windir",
                                        "SystemDrive",
                                        "TEMP",
                                        "TMP",
                                        "APPDATA",
                                        "LOCALAPPDATA"};

// Cut at the length the system reports; too long reads as unknown.
void readSystemText(TextBuffer& out, DWORD length) {
    if (out.text == nullptr || length == 0 || length >= DWORD(out.capacity))
        out.clear();
    else
        out.text[length] = '\0';
}

}  // namespace

MachineReader::MachineReader()
    : windowsFolder_(260),
      programFiles_(260),
      programFilesOther_(260),
      desktop_(260),
      favorites_(260),
      startMenu_(260),
      programs_(260),
      userProfile_(260),
      appData_(260),
      tempFolder_(260) {
    readWindowsFolderPath(windowsFolder_);
    // Both views: a 32-bit installer on 64-bit Windows reads "Program Files (x86)".
    readRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir",
                     KEY_READ | KEY_WOW64_64KEY, 1024, programFiles_);
    if (!readRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir (x86)",
                          KEY_READ | KEY_WOW64_64KEY, 1024, programFilesOther_))
        readRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir",
                         KEY_READ | KEY_WOW64_32KEY, 1024, programFilesOther_);
    readShellFolder("Desktop", desktop_);
    readShellFolder("Favorites", favorites_);
    readShellFolder("Start Menu", startMenu_);
    readShellFolder("Programs", programs_);
    readShellFolder("AppData", appData_);
    if (userProfile_.text)
        readSystemText(userProfile_,
                       GetEnvironmentVariableA("USERPROFILE", userProfile_.text, 261));
    readTemporaryFolder(tempFolder_);
    readProtectedFolders();
}

// Each as named and as the file system resolves it: a folder reached through
// another name (8.3, another drive letter, a link) is still that folder.
void MachineReader::protect(const char* folder) {
    if (folder == nullptr || folder[0] == '\0')
        return;
    protectedFolders_.add(folder);
    TextBuffer resolved(1024);
    if (readFinalPath(folder, resolved))
        protectedFolders_.add(resolved.text);
}

void MachineReader::readProtectedFolders() {
    char folder[MAX_PATH + 1];
    for (int id : kSystemFolders) {
        if (SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, folder)))
            protect(folder);
    }
    // Every shell folder the registry lists (Downloads has no number above).
    const HKEY hives[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (HKEY hive : hives) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(hive, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD nameLength = sizeof name;
            DWORD type = 0;
            DWORD size = MAX_PATH;
            LONG result = RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(folder), &size);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result == ERROR_SUCCESS && type == REG_SZ && size > 0 && size <= MAX_PATH) {
                folder[size - 1] = '\0';
                folder[MAX_PATH] = '\0';
                protect(folder);
            }
        }
        RegCloseKey(key);
    }
    TextBuffer value(1024);
    for (const char* name : kFolderVariables) {
        DWORD length = GetEnvironmentVariableA(name, folder, MAX_PATH + 1);
        if (length > 0 && length <= MAX_PATH)
            protect(folder);
    }
    if (readRegistryText(HKEY_LOCAL_MACHINE, kProfileListKey, "ProfilesDirectory", KEY_READ, 1024,
                         value)) {
        DWORD length = ExpandEnvironmentStringsA(value.text, folder, MAX_PATH + 1);
        if (length > 0 && length <= MAX_PATH + 1)
            protect(folder);
    }
    const char* const known[] = {windowsFolder_.text, programFiles_.text, programFilesOther_.text,
                                 desktop_.text,       favorites_.text,    startMenu_.text,
                                 userProfile_.text,   appData_.text,      tempFolder_.text};
    for (const char* given : known)
        protect(given);
}

MachineFacts MachineReader::facts() const {
    MachineFacts facts;
    facts.windowsFolder = windowsFolder_.text;
    facts.programFiles = programFiles_.text;
    facts.programFilesOther = programFilesOther_.text;
    facts.desktop = desktop_.text;
    facts.favorites = favorites_.text;
    facts.startMenu = startMenu_.text;
    facts.programs = programs_.text;
    facts.userProfile = userProfile_.text;
    facts.appData = appData_.text;
    facts.tempFolder = tempFolder_.text;
    facts.protectedFolders = &protectedFolders_;
    return facts;
}
