#include "write/build_notes.h"

#include "names/code_page.h"
#include "names/nearest_name.h"
#include "names/windows_names.h"
#include "write/carry_notes.h"
#include "write/folder_check.h"
#include "write/setting_checks.h"

namespace azpack {

namespace {

bool sameAscii(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

bool endsWithAscii(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && sameAscii(text.substr(text.size() - end.size()), end);
}

std::string leafOf(const std::string& name) {
    size_t slash = name.rfind('\\');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The entry the installer would find for `setting` (compared ignoring ASCII
// case, as it compares); nullptr with the nearest name otherwise: an entry
// of that file name in a folder first, else the nearest spelling.
const SourceFile* findEntry(const std::vector<SourceFile>& files, const Setting& setting,
                            std::string* nearest) {
    std::string wanted;
    std::string reason;
    if (setting.value.empty() || !utf8ToCp1252(setting.value, &wanted, &reason))
        return nullptr;
    std::vector<std::string> names;
    std::string sameLeaf;
    for (const SourceFile& file : files) {
        if (sameAscii(file.name, wanted))
            return &file;
        if (sameLeaf.empty() && sameAscii(leafOf(file.name), leafOf(wanted)))
            sameLeaf = file.name;
        names.push_back(file.name);
    }
    std::string near = sameLeaf.empty() ? nearestName(wanted, names) : sameLeaf;
    if (!near.empty())
        *nearest = cp1252ToUtf8(near);
    return nullptr;
}

bool checkEntry(const std::vector<SourceFile>& files, const Setting& setting, const char* what,
                const char* consequence, bool refuse, std::vector<std::string>* notes,
                std::string* error) {
    std::string nearest;
    if (setting.value.empty() || findEntry(files, setting, &nearest) != nullptr)
        return true;
    std::string message = setting.origin + ": " + what + " '" + setting.value +
                          "' is not among the files (" + consequence + ")";
    if (!nearest.empty())
        message += "; did you mean '" + nearest + "'?";
    if (refuse) {
        *error = message;
        return false;
    }
    notes->push_back("warning: " + message);
    return true;
}

size_t countWarnings(const std::vector<std::string>& notes) {
    size_t count = 0;
    for (const std::string& note : notes)
        count += note.compare(0, 8, "warning:") == 0 ? 1 : 0;
    return count;
}

std::string longestName(const std::vector<SourceFile>& files) {
    std::string longest;
    for (const SourceFile& file : files) {
        if (file.name.size() > longest.size())
            longest = file.name;
    }
    return longest;
}

bool checkHeaderSettings(const HeaderSettings& settings, const std::vector<SourceFile>& files,
                         bool installer, bool lenient, const std::string& installerName,
                         std::vector<std::string>* notes, std::string* error) {
    const bool refuse = installer && !lenient;
    if (!checkSettingCharacters(settings, error))
        return false;
    if (!checkEntry(files, settings.mainProgram, "main program",
                    "the installer would make no shortcut and start nothing", refuse, notes,
                    error) ||
        !checkEntry(files, settings.iconFile, "icon file", "the shortcuts would have no icon",
                    false, notes, error))
        return false;
    std::vector<std::string> folderWarnings;
    std::string folderError;
    if (!installer && settings.installFolder.value.empty()) {
        // A bare payload may be stamped with another header's intent.
    } else if (!checkInstallFolder(settings.installFolder, &folderWarnings, &folderError) ||
               !checkInstalledPathLengths(settings.installFolder, longestName(files), installerName,
                                          &folderWarnings, &folderError)) {
        if (refuse) {
            *error = folderError;
            return false;
        }
        folderWarnings.push_back(folderError);
    }
    for (const std::string& warning : folderWarnings)
        notes->push_back("warning: " + warning);

    for (const SourceFile& file : files) {
        if (sameAscii(file.name, "YPH.EXE"))
            notes->push_back(
                "note: entry YPH.EXE is the companion program: the installer closes "
                "its running WENAPP window first and records it in TAVU.INI");
        if (sameAscii(file.name, "IVORTA.EXE"))
            notes->push_back(
                "note: entry IVORTA.EXE is the product program: the installer starts "
                "it as soon as it is written");
    }
    for (const Setting* name :
         {&settings.productName, &settings.favoritesName, &settings.startMenuName}) {
        std::string problem = name->value.empty() ? "" : shortcutNameProblem(name->value);
        if (!problem.empty())
            notes->push_back("warning: " + name->origin + ": '" + name->value + "' " + problem +
                             ": the installer would make no shortcut of that name");
    }
    if (sameAscii(settings.productName.value, "i-PelBor"))
        notes->push_back(
            "note: product name i-PelBor also gets a second Desktop shortcut, "
            "\"i-PelBor Pro\"");
    if (endsWithAscii(settings.mainProgram.value, "CEAPPSETUP.INI"))
        notes->push_back(
            "note: a main program ending in CEAPPSETUP.INI is a device setup file: "
            "the installer hands it to the device manager and makes no shortcut");
    return true;
}

}  // namespace

bool checkHeaderUse(const BuildRequest& request, const std::vector<SourceFile>& files,
                    const std::vector<std::string>& emptyFolders, std::vector<std::string>* notes,
                    std::string* error) {
    const bool installer = !request.stub.empty();
    const std::string installerName = request.output.stem().u8string();
    if (!checkHeaderSettings(request.settings, files, installer, request.lenient, installerName,
                             notes, error))
        return false;
    noteWhatIsNotCarried(files, emptyFolders, notes);
    std::string nearest;
    noteProgramBitness(request.stub, findEntry(files, request.settings.mainProgram, &nearest),
                       notes);
    const size_t warnings = countWarnings(*notes);
    if (request.strict && warnings > 0) {
        *error = std::to_string(warnings) + " warning" + (warnings == 1 ? "" : "s") +
                 " above and --strict (strict = true): nothing written";
        return false;
    }
    return true;
}

}  // namespace azpack
