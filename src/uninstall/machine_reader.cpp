#include "uninstall/machine_reader.h"

#include <windows.h>

#include "system/folders.h"
#include "system/registry.h"
#include "system/temp_folder.h"

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

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
      userProfile_(260),
      appData_(260),
      tempFolder_(260) {
    if (windowsFolder_.text)
        readSystemText(windowsFolder_, GetWindowsDirectoryA(windowsFolder_.text, 261));
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
    readShellFolder("AppData", appData_);
    if (userProfile_.text)
        readSystemText(userProfile_,
                       GetEnvironmentVariableA("USERPROFILE", userProfile_.text, 261));
    readTemporaryFolder(tempFolder_);
}

MachineFacts MachineReader::facts() const {
    MachineFacts facts;
    facts.windowsFolder = windowsFolder_.text;
    facts.programFiles = programFiles_.text;
    facts.programFilesOther = programFilesOther_.text;
    facts.desktop = desktop_.text;
    facts.favorites = favorites_.text;
    facts.startMenu = startMenu_.text;
    facts.userProfile = userProfile_.text;
    facts.appData = appData_.text;
    facts.tempFolder = tempFolder_.text;
    return facts;
}
