#include "write/build_notes.h"

#include "names/code_page.h"
#include "names/nearest_name.h"
#include "names/windows_names.h"
#include "write/folder_check.h"

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

// The entry the installer would find for `setting` (compared ignoring ASCII
// case, as it compares); false with the nearest name otherwise.
bool findEntry(const std::vector<SourceFile>& files, const Setting& setting, std::string* nearest) {
    std::string wanted;
    std::string reason;
    if (!utf8ToCp1252(setting.value, &wanted, &reason))
        return false;
    std::vector<std::string> names;
    for (const SourceFile& file : files) {
        if (sameAscii(file.name, wanted))
            return true;
        names.push_back(file.name);
    }
    std::string near = nearestName(wanted, names);
    if (!near.empty())
        *nearest = cp1252ToUtf8(near);
    return false;
}

bool checkEntry(const std::vector<SourceFile>& files, const Setting& setting, const char* what,
                const char* consequence, bool refuse, std::vector<std::string>* notes,
                std::string* error) {
    std::string nearest;
    if (setting.value.empty() || findEntry(files, setting, &nearest))
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

}  // namespace

bool checkHeaderUse(const HeaderSettings& settings, const std::vector<SourceFile>& files,
                    bool installer, bool lenient, std::vector<std::string>* notes,
                    std::string* error) {
    const bool refuse = installer && !lenient;
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
    } else if (!checkInstallFolder(settings.installFolder, &folderWarnings, &folderError)) {
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

}  // namespace azpack
