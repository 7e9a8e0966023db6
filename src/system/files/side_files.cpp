#include "system/files/side_files.h"

#include <windows.h>

namespace {

// Still running: its side files are in use. A process id that came back
// for another program keeps a leftover until a later run; never a loss.
bool ownerRuns(uint32_t owner) {
    if (owner == sideFileOwner())
        return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, owner);
    if (process == nullptr)
        return GetLastError() == ERROR_ACCESS_DENIED;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void clearOne(const TextBuffer& folder, const WIN32_FIND_DATAA& found) {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    size_t targetLength = 0;
    uint32_t owner = 0;
    SideFile kind = readSideFileName(found.cFileName, targetLength, owner);
    if (kind == SideFile::kNotOurs || ownerRuns(owner))
        return;
    TextBuffer path(folder);
    path.append(found.cFileName);
    TextBuffer target(folder);
    target.appendBytes(found.cFileName, static_cast<int32_t>(targetLength));
    // A kept original is the only copy left when its target is missing: it
    // goes back, or stays where it is if it cannot.
    if (kind == SideFile::kOld && !sideFileExists(target.text)) {
        moveAside(path.text, target.text);
        return;
    }
    removeSideFile(path.text);
}

}  // namespace

uint32_t sideFileOwner() {
    return GetCurrentProcessId();
}

void sideFilePath(const char* path, SideFile kind, TextBuffer& out) {
    TextBuffer named(path);
    appendSideSuffix(named, kind, sideFileOwner());
    longPathForm(named.text, out);
}

int moveAside(const char* from, const char* to) {
    TextBuffer longFrom(0), longTo(0);
    longPathForm(from, longFrom);
    longPathForm(to, longTo);
    return MoveFileExA(longFrom.text, longTo.text, 0) ? 1 : 0;
}

int moveOver(const char* from, const char* to) {
    TextBuffer longFrom(0), longTo(0);
    longPathForm(from, longFrom);
    longPathForm(to, longTo);
    return MoveFileExA(longFrom.text, longTo.text, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

int sideFileExists(const char* path) {
    TextBuffer longPath(0);
    longPathForm(path, longPath);
    return GetFileAttributesA(longPath.text) != INVALID_FILE_ATTRIBUTES;
}

int removeSideFile(const char* path) {
    TextBuffer longPath(0);
    longPathForm(path, longPath);
    if (DeleteFileA(longPath.text))
        return 1;  // the common case, in one request
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return 1;
    DWORD attributes = GetFileAttributesA(longPath.text);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    SetFileAttributesA(longPath.text, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return DeleteFileA(longPath.text) ? 1 : 0;
}

void clearLeftovers(const char* folder) {
    TextBuffer prefix(folder);
    if (prefix.isEmpty())
        return;
    char last = prefix.text[prefix.length() - 1];
    if (last != '\\' && last != '/')
        prefix.appendChar('\\');
    TextBuffer pattern(prefix);
    pattern.append("*.~az*");
    TextBuffer longPattern(0);
    longPathForm(pattern.text, longPattern);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(longPattern.text, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        found.cFileName[MAX_PATH - 1] = '\0';
        clearOne(prefix, found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
