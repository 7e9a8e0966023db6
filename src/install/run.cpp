// The run goes through these states:
//   set-up      module name as title, the run's own folder in the temporary
//               folder (system/run_folder.h) and its file names, payload
//               extraction, install folder expansion
//   walk        entry after entry (walk.cpp)
//   stop        a file that cannot be written: message box, no completion
//   completion  after a full walk (completion.cpp)
// Once extraction succeeded, every way out closes the payload stream and the
// index file, which deletes them, and the run's folder goes with whatever is
// left in it. Without a folder of its own nothing is installed. Entries
// written before a stop stay installed. Each way out has its exit code
// (outcome.h).
#include "install/run.h"

#include <cstdint>
#include <cstdio>

#include "install/completion.h"
#include "install/machine.h"
#include "install/outcome.h"
#include "install/path_parts.h"
#include "install/run_state.h"
#include "install/walk.h"
#include "payload/extract.h"
#include "payload/page_io.h"
#include "system/folders.h"
#include "system/run_folder.h"

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
    if (!extractPayload(instance, payloadCopyPath, run.header, indexFilePath.text, payloadStream,
                        dataStart, &runFiles)) {
        return kNothingInstalled;
    }
    run.terminateHeaderTexts();
    ExpandedFolder folder = expandFolder(run.header.installFolder, moduleBaseName.text);
    run.installDir.assign(folder.path);

    TextBuffer failedPath(260);
    WalkResult result =
        installEntries(run, runFiles.indexDescriptor, payloadStream, dataStart, failedPath);
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
