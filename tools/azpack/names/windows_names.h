// What Windows can store as a file path below a folder, for entry names in
// Windows-1252 with backslashes between folder names. Used on both sides:
// the builder refuses such names, and the extractor refuses to write them.
#ifndef AZPACK_WINDOWS_NAMES_H
#define AZPACK_WINDOWS_NAMES_H

#include <string>
#include <vector>

namespace azpack {

// Empty when `name` is a safe relative path that Windows can store; otherwise
// the reason, e.g. "uses the device name NUL". Covers: empty names and empty
// folder names, absolute paths, drive or stream colons, "." and "..",
// reserved characters <>:"/|?* and control characters, device names (CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9, LPT0-9 and the superscript forms,
// with or without an extension), a trailing dot or blank, and names of more
// than 1023 bytes.
std::string entryNameProblem(const std::string& name);

// Why the installer would make no shortcut named `name` (a shortcut name
// setting; "\" and "/" make sub-folders, ".LNK" follows): the faults of
// entry names, except that the last part may end in a dot or blank. Empty
// when it would make one.
std::string shortcutNameProblem(const std::string& name);

// Names that Windows would take for the same file, or a file for a folder,
// because it ignores case. Empty when there is none, else a reason naming
// both (the first such pair in the given order, so that it is reproducible).
std::string findCaseClash(const std::vector<std::string>& names);

// The name in quotes, as UTF-8, for messages.
std::string quoteName(const std::string& cp1252Name);

}  // namespace azpack

#endif
