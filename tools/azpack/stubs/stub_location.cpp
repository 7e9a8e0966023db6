#include "stubs/stub_location.h"

#include <system_error>

#include "io/file_io.h"

namespace azpack {

namespace {

const char kStubName[] = "azsetup.exe";
const char kUninstallerName[] = "TAVUUNINSTALL.EXE";

// Set by CMake for the build tree only: the folder azpack is built in, and
// the Windows build trees whose outputs it uses there.
#ifndef AZPACK_BUILD_FOLDER
#define AZPACK_BUILD_FOLDER ""
#endif
#ifndef AZPACK_STUB_BUILD_I686
#define AZPACK_STUB_BUILD_I686 ""
#endif
#ifndef AZPACK_STUB_BUILD_X86_64
#define AZPACK_STUB_BUILD_X86_64 ""
#endif

bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code code;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, code);
}

}  // namespace

const std::vector<std::string>& stubTargets() {
    static const std::vector<std::string> targets{"i686", "x86_64"};
    return targets;
}

std::vector<StubPair> stubCandidates(const std::filesystem::path& program,
                                     const std::string& target) {
    std::vector<StubPair> candidates;
    if (program.empty())
        return candidates;
    std::filesystem::path bin = program.parent_path();
    std::filesystem::path shared = (bin / ".." / "share" / "azsetup" / target).lexically_normal();
    candidates.push_back({shared / kStubName, shared / kUninstallerName});
    if (sameFolder(bin, std::filesystem::u8path(AZPACK_BUILD_FOLDER))) {
        std::filesystem::path tree = std::filesystem::u8path(
            target == "i686" ? AZPACK_STUB_BUILD_I686 : AZPACK_STUB_BUILD_X86_64);
        if (!tree.empty())
            candidates.push_back(
                {tree / "src" / "app" / kStubName, tree / "src" / "uninstall" / kUninstallerName});
    }
    return candidates;
}

bool findStubPair(const std::filesystem::path& program, const std::string& target, StubPair* found,
                  std::string* error) {
    std::vector<StubPair> candidates = stubCandidates(program, target);
    std::string looked;
    for (const StubPair& candidate : candidates) {
        std::error_code code;
        if (std::filesystem::is_regular_file(candidate.stub, code)) {
            *found = candidate;
            return true;
        }
        looked += (looked.empty() ? "" : ", ") + displayPath(candidate.stub);
    }
    *error = "no " + target + " installer stub found";
    if (!looked.empty())
        *error += " (looked for " + looked + ")";
    *error += "; name one with --stub, or write a bare payload with --payload-only";
    return false;
}

}  // namespace azpack
