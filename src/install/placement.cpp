#include "install/placement.h"

#include "base/matching.h"
#include "install/entry_writer.h"
#include "install/machine.h"
#include "install/path_parts.h"
#include "system/folders.h"
#include "system/link_check.h"
#include "system/process_stop.h"
#include "system/profile_section.h"

namespace {

const char kCompanionName[] = "YPH.EXE";
const char kProductName[] = "IVORTA.EXE";
const char kUninstallerName[] = "TAVUUNINSTALL.EXE";

// 1 when `targetPath` and every folder on the way to it are no link or
// junction, the folders made where missing.
int reachableOffLinks(const TextBuffer& targetPath) {
    TextBuffer folder(260);
    folderOf(targetPath.text, folder);
    return createFolderPathOffLinks(folder.text) && !isLink(targetPath.text);
}

int chooseProductTarget(const char* entryName, TextBuffer& targetPath) {
    readProgramFilesFolder(targetPath);  // when unreadable: "\i-Vorta" on the current drive
    targetPath.append("\\i-Vorta");
    targetPath.appendChar('\\').append(entryName);
    return reachableOffLinks(targetPath);
}

// Written here rather than by the run: a failure is silent and leaves
// uninstallerPath empty, so a broken uninstaller is never registered.
void installUninstaller(RunState& run, const char* entryName, TextBuffer& targetPath,
                        const ChunkReader& chunk) {
    readWindowsFolder(targetPath);
    if (!targetPath.isEmpty()) {  // never a path relative to wherever we run
        targetPath.append(entryName);
        EntryWrite written = writeEntry(targetPath.text, chunk);
        if (written == EntryWrite::kWritten) {
            run.uninstallerPath.assign(targetPath);
            return;
        }
        if (written == EntryWrite::kDamaged)
            beep();  // as for any damaged chunk
    }
    ++run.skippedEntries;  // silent, but the installation is not whole
}

int chooseOrdinaryTarget(const RunState& run, const char* entryName, TextBuffer& targetPath) {
    targetPath.assign(run.installDir);
    targetPath.appendChar('\\');
    // Both separators name folders; one spelling lets the folders be made.
    for (const char* p = entryName; *p != '\0'; ++p)
        targetPath.appendChar(*p == '/' ? '\\' : *p);
    return reachableOffLinks(targetPath);
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

int placeBeforeWriting(RunState& run, const char* entryName, EntryPlacement& placement,
                       const ChunkReader& chunk) {
    placement.companion = equalsIgnoreCase(entryName, kCompanionName);
    if (placement.companion)
        closeCompanionWindow();
    placement.product = equalsIgnoreCase(entryName, kProductName);
    placement.uninstaller = equalsIgnoreCase(entryName, kUninstallerName);

    TextBuffer& targetPath = placement.targetPath;
    targetPath.clear();
    if (placement.companion || placement.product) {
        if (!chooseProductTarget(entryName, targetPath))
            return refuseEntry(run);
    } else if (placement.uninstaller) {
        installUninstaller(run, entryName, targetPath, chunk);
        return 0;
    } else if (!chooseOrdinaryTarget(run, entryName, targetPath)) {
        return refuseEntry(run);
    }

    if (equalsIgnoreCase(entryName, run.header.mainProgram)) {
        programToStop.clear();
        programToStop.append(targetPath);
        stopRunningProgram();
    }
    return 1;
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
