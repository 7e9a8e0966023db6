#include "write/carry_notes.h"

#include "io/file_io.h"
#include "names/windows_names.h"
#include "pe/pe_image.h"

namespace azpack {

namespace {

// "3 empty folders are ... : 'a', 'b', 'c' and 2 more"
std::string countedList(const std::vector<std::string>& names, const char* one, const char* many) {
    const size_t shown = 3;
    std::string line = std::to_string(names.size()) + " " + (names.size() == 1 ? one : many) + ": ";
    for (size_t i = 0; i < names.size() && i < shown; ++i)
        line += (i == 0 ? "" : ", ") + quoteName(names[i]);
    if (names.size() > shown)
        line += " and " + std::to_string(names.size() - shown) + " more";
    return line;
}

// 1 for a 64-bit program, 0 for a 32-bit one, -1 for anything else.
int programBits(const std::filesystem::path& path) {
    InputFile file;
    std::string ignored;
    PeImage image;
    if (!file.open(path, &ignored) || !PeImage::looksLikeExecutable(file) ||
        !image.read(file, &ignored))
        return -1;
    return image.is64() ? 1 : 0;
}

}  // namespace

void noteWhatIsNotCarried(const std::vector<SourceFile>& files,
                          const std::vector<std::string>& emptyFolders,
                          std::vector<std::string>* notes) {
    std::vector<std::string> links;
    std::vector<std::string> readOnly;
    for (const SourceFile& file : files) {
        if (file.link)
            links.push_back(file.name);
        if (file.readOnly)
            readOnly.push_back(file.name);
    }
    if (!emptyFolders.empty())
        notes->push_back("warning: " +
                         countedList(emptyFolders, "empty folder is not carried",
                                     "empty folders are not carried") +
                         " (a payload holds only files; the installer makes the folders "
                         "that its files need)");
    if (!links.empty())
        notes->push_back("warning: " +
                         countedList(links, "symbolic link is stored as a copy of its target",
                                     "symbolic links are stored as copies of their targets"));
    if (!readOnly.empty())
        notes->push_back("warning: " +
                         countedList(readOnly, "read-only file is installed writable",
                                     "read-only files are installed writable") +
                         " (file attributes and permissions are not carried)");
}

void noteProgramBitness(const std::filesystem::path& stub, const SourceFile* mainProgram,
                        std::vector<std::string>* notes) {
    if (stub.empty() || mainProgram == nullptr)
        return;
    if (programBits(stub) == 0 && programBits(mainProgram->contents) == 1)
        notes->push_back("warning: main program " + quoteName(mainProgram->name) +
                         " is a 64-bit program in a 32-bit (i686) installer: %PROGRAMFILES% is "
                         "then the 32-bit program-files folder (Program Files (x86)); build "
                         "with --target x86_64 to install it under Program Files");
}

}  // namespace azpack
