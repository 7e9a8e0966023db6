// Removing what runs that never ended left in the temporary folder. Only a
// folder with a run folder's name that holds nothing but run files is ever
// touched, and a live run's are not: it holds its folder and files without
// delete sharing, so their deletion fails and the folder stays.
#include <windows.h>

#include "system/run_folder.h"

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

// Held so that the folder cannot be swapped for a link while its files go.
HANDLE holdAgainstRenaming(const char* folder) {
    HANDLE held = CreateFileA(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    if (held != INVALID_HANDLE_VALUE &&
        (!GetFileInformationByHandle(held, &information) ||
         (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    }
    return held;
}

}  // namespace

int removeRunFolder(const char* folder) {
    if (folder == nullptr || folder[0] == '\0')
        return 0;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    HANDLE held = holdAgainstRenaming(folder);
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
