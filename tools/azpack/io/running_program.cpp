#include "io/running_program.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <system_error>
#include <vector>

namespace azpack {

std::filesystem::path runningProgram() {
#ifdef _WIN32
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0)
            return {};
        if (got < buffer.size())
            return std::filesystem::path(std::wstring(buffer.data(), got));
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code code;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", code);
    return code ? std::filesystem::path() : self;
#endif
}

}  // namespace azpack
