// The names of the files an installer puts beside a target while it
// replaces it, and how a later run or the uninstaller knows them as ours:
//   "<target name>.~aznew<id>"  the new content, until it is complete
//   "<target name>.~azold<id>"  the original, kept aside until the run ends
// <id> is the writing installer's process id in lower-case hexadecimal, 1 to
// 8 digits. Only a name of exactly this form is ever taken for ours.
#ifndef AZ_SYSTEM_SIDE_FILE_NAME_H
#define AZ_SYSTEM_SIDE_FILE_NAME_H

#include <cstddef>
#include <cstdint>

#include "base/text_buffer.h"

enum class SideFile { kNotOurs, kNew, kOld };

// The most a side file's name adds to its target's: the mark and 8 digits.
constexpr int kSideSuffixRoom = 15;

// Appends the suffix of `kind` (kNew or kOld) for the installer `owner`.
void appendSideSuffix(TextBuffer& path, SideFile kind, uint32_t owner);

// Reads a file name without its folder. For one of ours: its kind, its
// owner, and the length of the target's name that it begins with.
SideFile readSideFileName(const char* name, size_t& targetLength, uint32_t& owner);

// 1 when the last component of `path` (after "\" or "/") is one of ours.
int endsInSideFileName(const char* path);

// `path` in the form the system takes beyond 259 characters ("\\?\C:\..."
// or "\\?\UNC\server\share\...") when it is that long and absolute; as it
// is otherwise.
void longPathForm(const char* path, TextBuffer& out);

#endif
