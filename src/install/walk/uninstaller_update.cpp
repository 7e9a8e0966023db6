#include "install/walk/uninstaller_update.h"

#include <cstdio>
#include <cstdlib>

#include "base/matching.h"
#include "base/program_version.h"

namespace {

// Far above any uninstaller of ours; a larger file is not one.
constexpr long kMaxUninstallerBytes = 16L << 20;

int isOurs(const unsigned char* bytes, size_t size, ProgramVersion& version) {
    return readProgramVersion(bytes, size, version) &&
           equalsIgnoreCase(version.internalName, "TAVUUNINSTALL") &&
           equalsIgnoreCase(version.productName, "azsetup");
}

// The version of the uninstaller of ours at `path`; 0 when there is none.
int readInstalledVersion(const char* path, ProgramVersion& version) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return 0;
    int ours = 0;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size > 0 && size <= kMaxUninstallerBytes && std::fseek(file, 0, SEEK_SET) == 0) {
        unsigned char* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
        if (bytes != nullptr &&
            std::fread(bytes, 1, static_cast<size_t>(size), file) == static_cast<size_t>(size))
            ours = isOurs(bytes, static_cast<size_t>(size), version);
        std::free(bytes);
    }
    std::fclose(file);
    return ours;
}

}  // namespace

UninstallerUpdate chooseUninstallerUpdate(const char* targetPath, const unsigned char* candidate,
                                          size_t size) {
    ProgramVersion offered;
    ProgramVersion installed;
    int candidateOurs = candidate != nullptr && isOurs(candidate, size, offered);
    int installedOurs = readInstalledVersion(targetPath, installed);
    if (!candidateOurs)
        return installedOurs ? UninstallerUpdate::kKeepExisting : UninstallerUpdate::kRefused;
    if (installedOurs && installed.fileVersion > offered.fileVersion)
        return UninstallerUpdate::kKeepExisting;
    return UninstallerUpdate::kWrite;
}
