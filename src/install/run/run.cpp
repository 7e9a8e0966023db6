// The run goes through these states:
//   set-up      module name as title, the run's own folder in the temporary
//               folder (system/folders/run_folder.h) and its file names, payload
//               extraction, install folder expansion, a running main program
//               asked to close, then stopped, once the check that
//               everything the run records fits has passed
//   walk        entry after entry (walk.cpp), each written beside its target
//               and moved into place, the original kept aside
//   stop        a file that cannot be written: the originals go back, the
//               added files go (replacements.h), message box, no completion
//   completion  after a full walk (completion.cpp)
// Once extraction succeeded, every way out closes the payload stream and the
// index file, which deletes them, and the run's folder goes with whatever is
// left in it. Without a folder of its own nothing is installed. After a stop
// the product is as it was before the run. Each way out has its exit code
// (outcome.h).
#include "install/run/run.h"

#include <cstdint>
#include <cstdio>

#include "install/completion/completion.h"
#include "install/completion/record_limits.h"
#include "install/run/machine.h"
#include "install/run/main_program_stop.h"
#include "install/run/outcome.h"
#include "install/run/path_parts.h"
#include "install/run/run_state.h"
#include "install/walk/walk.h"
#include "payload/extract.h"
#include "payload/page_io.h"
#include "system/folders/folders.h"
#include "system/folders/run_folder.h"

int runInstallation(HINSTANCE instance, HWND progressWindow) {
    TextBuffer modulePath(260);
    if (!readModulePath(instance, modulePath))
        return kNothingInstalled;
    TextBuffer moduleBaseName(260);
    baseNameOf(modulePath.text, moduleBaseName);
    setWindowTitle(progressWindow, moduleBaseName.text);

    RunFolder runFolder;
    if (!runFolder.isReady())
        return kNothingInstalled;
    TextBuffer indexFilePath(runFolder.path());
    appendHex(indexFilePath, reinterpret_cast<uintptr_t>(progressWindow));
    indexFilePath.append(kIndexFileExtension);
    TextBuffer copyPath(runFolder.path());
    copyPath.append(kPayloadCopyName);

    RunState run;
    TextBuffer payloadCopyPath(260);
    FILE* payloadStream = nullptr;
    int32_t dataStart = 0;
    RunFiles runFiles;
    runFiles.copyPath = copyPath.text;
    int extracted = extractPayload(instance, payloadCopyPath, run.header, indexFilePath.text,
                                   payloadStream, dataStart, &runFiles);
    if (extracted != kExtracted)
        return extracted == kExtractDamaged ? kPayloadDamaged : kNothingInstalled;
    run.terminateHeaderTexts();
    ExpandedFolder folder = expandFolder(run.header.installFolder, moduleBaseName.text);
    run.installDir.assign(folder.path);

    // Refused before anything is written: what it installed could never be removed.
    if (!recordsFit(run, runFiles.indexDescriptor)) {
        std::fclose(payloadStream);
        closeDescriptor(runFiles.indexDescriptor);
        return kNothingInstalled;
    }
    if (!folder.unusableLeaf)
        stopMainProgramFirst(run, runFiles.indexDescriptor);
    TextBuffer failedPath(260);
    // An installer renamed "....exe" would install into the macro's folder
    // itself: nothing is installed.
    WalkResult result = folder.unusableLeaf ? WalkResult::kNoIndex
                                            : installEntries(run, runFiles.indexDescriptor,
                                                             payloadStream, dataStart, failedPath);
    // A damaged table hides entries: what the walk wrote is taken back as on
    // a failed write, so that the product stays the version it was.
    if (result == WalkResult::kWriteFailed || result == WalkResult::kDamaged)
        run.replacements.putBack();
    else
        run.replacements.discardKept();
    if (result == WalkResult::kWriteFailed)
        showWriteFailure(progressWindow, failedPath.text);
    std::fclose(payloadStream);
    closeDescriptor(runFiles.indexDescriptor);
    switch (result) {
        case WalkResult::kWriteFailed:
            return kStoppedOnWrite;
        case WalkResult::kNoIndex:
            return kNothingInstalled;
        case WalkResult::kDamaged:
            return kTableDamaged;
        case WalkResult::kComplete:
            break;
    }
    int outcome = completeInstallation(run);
    if (outcome == kInstalled && run.skippedEntries > 0)
        outcome = kEntriesSkipped;
    return outcome;
}
