// What Windows stores under the name it is given, and what it reads another
// way: names from a payload, a profile or the installer's own file name are
// judged by these rules (bytes of Windows-1252) before they become paths.
#ifndef AZ_BASE_WINDOWS_NAMES_H
#define AZ_BASE_WINDOWS_NAMES_H

#include <cstdint>

// 1 for < > " | ? *, which no Windows path may hold.
int32_t isReservedPathCharacter(char c);

// 1 for what no file or folder name may hold: a control character (0 to
// 31), a reserved one, ":" (a drive or a stream), "\" and "/".
int32_t isForbiddenNameCharacter(char c);

// 1 when [begin, end) holds nothing but dots and blanks (or nothing).
int32_t isDotsAndBlanks(const char* begin, const char* end);

// The length of the device name that the component [begin, end) opens in
// any folder ("CON", "nul.txt", "COM1 .log", "CONIN$": the part before the
// first dot, trailing blanks dropped, ignoring case); 0 for none.
int32_t deviceNameLength(const char* begin, const char* end);

// Faults of a name, in the order they are looked for in each component.
enum NameFaultKind : int32_t {
    kNameFine = 0,
    kNameRooted,       // starts with a separator
    kNameEmpty,        // empty, or an empty component
    kNameDots,         // dots and blanks only: ".", ".." or what Windows trims to them
    kNameCharacter,    // a forbidden character (see above)
    kNameDevice,       // a device name
    kNameEndsInDot,    // Windows would drop the final dot
    kNameEndsInBlank,  // or blank and store another name
};

// The fault of one component [begin, end).
int32_t componentFault(const char* begin, const char* end);

// How findNameFault splits and reads a relative path.
const int32_t kSlashSeparates = 1;  // "/" separates components as "\" does
const int32_t kSuffixFollows = 2;   // text such as ".LNK" follows the last
                                    // component, which may end in a dot or blank
// Control and reserved characters are left to the system, which refuses to
// open such a name; only ":" and separators remain forbidden.
const int32_t kSystemRefusesCharacters = 4;

// The first fault of a relative path, and the component it lies in
// (offset and length in the name).
struct NameFault {
    int32_t kind;
    int32_t begin;
    int32_t length;
};

// `length` bytes of `name` (a zero byte is a control character).
NameFault findNameFault(const char* name, int32_t length, int32_t flags);

// 1 when the text `name` is a relative path without fault; 0 for nullptr.
int32_t isPlainRelativePath(const char* name, int32_t flags);

#endif
