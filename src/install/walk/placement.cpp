#include "install/walk/placement.h"

#include "base/matching.h"
#include "install/run/machine.h"
#include "install/run/path_parts.h"
#include "install/walk/entry_writer.h"
#include "install/walk/uninstaller_update.h"
#include "system/files/link_check.h"
#include "system/files/profile_section.h"
#include "system/folders/folders.h"

namespace {

const char kCompanionName[] = "YPH.EXE";
const char kProductName[] = "IVORTA.EXE";
const char kUninstallerName[] = "TAVUUNINSTALL.EXE";

void chooseProductTarget(const char* entryName, TextBuffer& targetPath) {
    readProgramFilesFolder(targetPath);  // when unreadable: "\i-Vorta" on the current drive
    targetPath.append("\\i-Vorta");
    targetPath.appendChar('\\').append(entryName);
}

// Never a path relative to wherever we run: empty when the Windows folder
// is unknown.
void chooseUninstallerTarget(const char* entryName, TextBuffer& targetPath) {
    readWindowsFolder(targetPath);
    if (!targetPath.isEmpty())
        targetPath.append(entryName);
}

// Written here rather than by the run: a failure is silent and leaves
// uninstallerPath empty, so a broken uninstaller is never registered. A
// newer one of ours in place is kept and registered: not an error.
void installUninstaller(RunState& run, const char* entryName, TextBuffer& targetPath,
                        const ChunkReader& chunk) {
    chooseUninstallerTarget(entryName, targetPath);
    if (!targetPath.isEmpty()) {
        // A chunk too large to be held whole is far larger than ours.
        const unsigned char* candidate = chunk.isLarge() ? nullptr : chunk.bytes();
        UninstallerUpdate update =
            chooseUninstallerUpdate(targetPath.text, candidate, chunk.length());
        if (update == UninstallerUpdate::kKeepExisting) {
            run.uninstallerPath.assign(targetPath);
            return;
        }
        if (update == UninstallerUpdate::kRefused) {
            ++run.skippedEntries;
            return;
        }
        EntryWrite written = writeEntry(targetPath.text, chunk, run.replacements);
        if (written == EntryWrite::kWritten) {
            run.uninstallerPath.assign(targetPath);
            return;
        }
        if (written == EntryWrite::kDamaged)
            beep();  // as for any damaged chunk
    }
    ++run.skippedEntries;  // silent, but the installation is not whole
}

// 1 when `targetPath`, or a folder on its way, is a link or junction.
int reachedThroughLink(RunState& run, const TextBuffer& targetPath) {
    TextBuffer folder(260);
    folderOf(targetPath.text, folder);
    if (!run.linkCheckedFolder.equalsIgnoreCase(folder.text)) {
        run.linkCheckedFolderLinked = passesThroughLink(folder.text);
        run.linkCheckedFolder.assign(folder);
    }
    if (run.linkCheckedFolderLinked)
        return 1;
    // Nothing else can stand in a folder this run made.
    return !run.replacements.madeThisRun(folder.text) && isLink(targetPath.text);
}

// A target reached through a link is refused as an unsafe name is.
int refuseEntry(RunState& run) {
    beep();
    ++run.skippedEntries;
    return 0;
}

void recordCompanion(const char* targetPath) {
    TextBuffer profilePath(260);
    readWindowsFolder(profilePath);
    if (profilePath.isEmpty())
        return;
    profilePath.append("TAVU.INI");
    ProfileSection section(profilePath.text, "YPH");
    section.writeValue("Path", targetPath);
    section.writeValue("Class", "WENAPP");
}

}  // namespace

int goesToInstallFolder(const char* entryName) {
    return !equalsIgnoreCase(entryName, kCompanionName) &&
           !equalsIgnoreCase(entryName, kProductName) &&
           !equalsIgnoreCase(entryName, kUninstallerName);
}

void installFolderTarget(const RunState& run, const char* entryName, TextBuffer& targetPath) {
    targetPath.assign(run.installDir);
    targetPath.appendChar('\\');
    // Both separators name folders; one spelling lets the folders be made.
    for (const char* p = entryName; *p != '\0'; ++p)
        targetPath.appendChar(*p == '/' ? '\\' : *p);
}

int placeBeforeWriting(RunState& run, const char* entryName, EntryPlacement& placement,
                       const ChunkReader& chunk) {
    placement.companion = equalsIgnoreCase(entryName, kCompanionName);
    if (placement.companion)
        closeCompanionWindow();
    placement.product = equalsIgnoreCase(entryName, kProductName);
    placement.uninstaller = equalsIgnoreCase(entryName, kUninstallerName);

    if (placement.uninstaller) {
        installUninstaller(run, entryName, placement.targetPath, chunk);
        return 0;
    }
    chooseTarget(run, entryName, placement.targetPath);
    if (reachedThroughLink(run, placement.targetPath))
        return refuseEntry(run);
    return 1;
}

void chooseTarget(const RunState& run, const char* entryName, TextBuffer& targetPath) {
    targetPath.clear();
    if (equalsIgnoreCase(entryName, kCompanionName) || equalsIgnoreCase(entryName, kProductName))
        chooseProductTarget(entryName, targetPath);
    else if (equalsIgnoreCase(entryName, kUninstallerName))
        chooseUninstallerTarget(entryName, targetPath);
    else
        installFolderTarget(run, entryName, targetPath);
}

int placeAfterWriting(RunState& run, const char* entryName, const EntryPlacement& placement) {
    if (equalsIgnoreCase(entryName, run.header.mainProgram)) {
        run.mainProgramPath.assign(placement.targetPath);
    }
    if (equalsIgnoreCase(entryName, run.header.iconFile)) {
        run.iconPath.assign(placement.targetPath);
    }
    if (placement.product)
        startProgram(placement.targetPath.text);
    if (placement.companion)
        recordCompanion(placement.targetPath.text);
    return !placement.companion && !placement.product;
}
