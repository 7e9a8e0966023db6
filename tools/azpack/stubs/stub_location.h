// The installer stub and uninstaller that `build` uses when none is named:
// those installed beside azpack (BIN/../share/azsetup/TARGET/), or, for an
// azpack run from its own build tree, those of the Windows build trees named
// when it was configured.
#ifndef AZPACK_STUB_LOCATION_H
#define AZPACK_STUB_LOCATION_H

#include <filesystem>
#include <string>
#include <vector>

namespace azpack {

// The targets a stub is built for; the first is the default.
const std::vector<std::string>& stubTargets();

struct StubPair {
    std::filesystem::path stub;
    std::filesystem::path uninstaller;
};

// The places searched for `target`'s pair, in order, for the program at
// `program` (see runningProgram).
std::vector<StubPair> stubCandidates(const std::filesystem::path& program,
                                     const std::string& target);

// The first candidate whose stub exists; false with an error that names
// every place looked at.
bool findStubPair(const std::filesystem::path& program, const std::string& target, StubPair* found,
                  std::string* error);

}  // namespace azpack

#endif
