// Reading one registry value as text.
#ifndef AZ_SYSTEM_REGISTRY_H
#define AZ_SYSTEM_REGISTRY_H

#include <windows.h>

#include <cstdint>

#include "base/text_buffer.h"

// Empties `out`, then appends the value's data as text, whatever its type:
// up to its first zero byte or the length the system reports, whichever
// comes first. Data longer than `byteLimit` bytes counts as missing. The key
// is closed again at once. A null value name reads the key's default value.
// true when the value was read; otherwise `out` stays empty.
bool readRegistryText(HKEY hive, const char* keyPath, const char* valueName, REGSAM access,
                      uint32_t byteLimit, TextBuffer& out);

#endif
