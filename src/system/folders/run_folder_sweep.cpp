// Removing what runs that never ended left in the temporary folder. Only a
// folder with a run folder's name that holds nothing but run files is ever
// touched, and a live run's are not: it holds its folder and files without
// delete sharing, so their deletion fails and the folder stays.
#include <windows.h>

#include "system/folders/held_folders.h"
#include "system/folders/run_folder.h"

namespace {

bool isLinkOrFolder(const WIN32_FIND_DATAA& found) {
    return (found.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
           0;
}

bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit(found)` for every entry of `folder` (ending in a backslash)
// but "." and ".."; stops at the first that answers false. false then.
template <typename Visit>
bool everyEntry(const char* folder, Visit visit) {
    TextBuffer pattern(folder);
    pattern.appendChar('*');
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.text, &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        if (!isDotEntry(found.cFileName) && !visit(found)) {
            all = false;
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return all;
}

}  // namespace

int removeRunFolder(const char* folder) {
    if (folder == nullptr || folder[0] == '\0')
        return 0;
    HANDLE held = holdFolder(folder);
    if (held == INVALID_HANDLE_VALUE)
        return 0;  // a live run holds it, or it is no plain folder
    bool ours = everyEntry(folder, [](const WIN32_FIND_DATAA& found) {
        return !isLinkOrFolder(found) && isRunFileName(found.cFileName);
    });
    bool emptied = ours && everyEntry(folder, [folder](const WIN32_FIND_DATAA& found) {
                       TextBuffer file(folder);
                       file.append(found.cFileName);
                       return DeleteFileA(file.text) != 0;
                   });
    CloseHandle(held);
    return emptied && RemoveDirectoryA(folder) ? 1 : 0;
}

void sweepAbandonedRunFolders(const char* temporaryFolder) {
    if (temporaryFolder == nullptr || temporaryFolder[0] == '\0')
        return;
    everyEntry(temporaryFolder, [temporaryFolder](const WIN32_FIND_DATAA& found) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            isRunFolderName(found.cFileName)) {
            TextBuffer folder(temporaryFolder);
            folder.append(found.cFileName).appendChar('\\');
            removeRunFolder(folder.text);
        }
        return true;
    });
}
