#include "write/uninstaller_entry.h"

#include <algorithm>
#include <system_error>

#include "io/file_io.h"
#include "names/code_page.h"

namespace azpack {

const char kUninstallerEntry[] = "TAVUUNINSTALL.EXE";

namespace {

bool isUninstallerName(const std::string& name) {
    const std::string wanted = kUninstallerEntry;
    if (name.size() != wanted.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (foldAscii(name[i]) != foldAscii(wanted[i]))
            return false;
    }
    return true;
}

}  // namespace

bool addUninstallerEntry(const std::filesystem::path& uninstaller, std::vector<SourceFile>* files,
                         std::string* error) {
    for (const SourceFile& file : *files) {
        if (isUninstallerName(file.name)) {
            *error = displayPath(file.found) + ": the source tree has its own " +
                     kUninstallerEntry +
                     "; give the uninstaller with --uninstaller FILE, or leave it out with "
                     "--no-uninstaller";
            return false;
        }
    }
    if (uninstaller.empty())
        return true;
    std::error_code code;
    std::filesystem::file_status status = std::filesystem::status(uninstaller, code);
    if (code || !std::filesystem::is_regular_file(status)) {
        *error = displayPath(uninstaller) + ": --uninstaller wants an existing plain file";
        return false;
    }
    SourceFile entry;
    entry.name = kUninstallerEntry;
    entry.found = uninstaller;
    entry.contents = uninstaller;
    entry.size = std::filesystem::file_size(uninstaller, code);
    if (code) {
        *error = displayPath(uninstaller) + ": " + code.message();
        return false;
    }
    auto place = std::lower_bound(
        files->begin(), files->end(), entry.name,
        [](const SourceFile& file, const std::string& name) { return file.name < name; });
    files->insert(place, std::move(entry));
    return true;
}

}  // namespace azpack
