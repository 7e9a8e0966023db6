#include "uninstall/removal/other_records.h"

#include <windows.h>

#include <cstring>

#include "base/byte_buffer.h"
#include "base/matching.h"
#include "base/text_buffer.h"
#include "uninstall/removal/removal_steps.h"
#include "uninstall/rules/profile_reader.h"
#include "uninstall/rules/record_names.h"
#include "uninstall/rules/shared_files.h"

namespace {

// 1 with the FILES lines of the record at `path` added to `files` (none
// when it cannot be read); 0 when memory ran out.
int32_t addListedFiles(const char* path, PathList& files) {
    ByteBuffer bytes(0, 0);
    UninstallProfile record;
    if (!readProfileFile(path, bytes))
        return 1;
    if (!readUninstallProfile(reinterpret_cast<const char*>(bytes.data), bytes.length, record))
        return 1;
    for (int32_t i = 0; i < record.files.count(); ++i) {
        if (!files.add(record.files.at(i)))
            return 0;
    }
    return 1;
}

}  // namespace

int32_t leaveFilesOfOtherRecords(const char* profilePath, PathList& files) {
    const char* ownName = std::strrchr(profilePath, '\\');
    if (ownName == nullptr)
        return 1;
    TextBuffer folder(260);
    folder.append(profilePath);
    if (folder.text == nullptr)
        return 0;
    folder.text[ownName - profilePath] = '\0';
    TextBuffer pattern(folder);
    pattern.append("\\TAVUUNINSTALL*.INI");
    if (pattern.text == nullptr)
        return 0;

    PathList otherFiles;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.text, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    int32_t ok = 1;
    do {
        // Links are not followed: a record is a plain file of the folder.
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !isRecordName(found.cFileName) || equalsIgnoreCase(found.cFileName, ownName + 1))
            continue;
        TextBuffer path(folder);
        path.appendChar('\\').append(found.cFileName);
        ok = path.text != nullptr && addListedFiles(path.text, otherFiles);
    } while (ok && FindNextFileA(search, &found));
    FindClose(search);
    if (ok)
        leaveSharedFiles(files, otherFiles);
    return ok;
}
