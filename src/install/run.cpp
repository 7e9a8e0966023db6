// The run goes through these states:
//   set-up      module name as title, temporary folder, index file name,
//               payload extraction, install folder expansion, the check
//               that everything the run records fits
//   walk        entry after entry (walk.cpp)
//   stop        a file that cannot be written: message box, no completion
//   completion  after a full walk (completion.cpp)
// Once extraction succeeded, every way out closes the payload stream and
// deletes the index file and the payload copy. Entries written before a
// stop stay installed. Each way out has its exit code (outcome.h).
#include "install/run.h"

#include <cstdint>
#include <cstdio>

#include "install/completion.h"
#include "install/machine.h"
#include "install/outcome.h"
#include "install/path_parts.h"
#include "install/record_limits.h"
#include "install/run_state.h"
#include "install/walk.h"
#include "payload/extract.h"
#include "system/folders.h"

int runInstallation(HINSTANCE instance, HWND progressWindow) {
    TextBuffer modulePath(260);
    if (!readModulePath(instance, modulePath))
        return kNothingInstalled;
    TextBuffer moduleBaseName(260);
    baseNameOf(modulePath.text, moduleBaseName);
    setWindowTitle(progressWindow, moduleBaseName.text);

    TextBuffer tempFolder(292);
    if (!readTempFolder(tempFolder))
        return kNothingInstalled;
    // The window handle keeps the names of installers running at once apart.
    TextBuffer indexFilePath(tempFolder);
    appendHex(indexFilePath, reinterpret_cast<uintptr_t>(progressWindow));
    indexFilePath.append(".AX");

    RunState run;
    TextBuffer payloadCopyPath(260);
    FILE* payloadStream = nullptr;
    int32_t dataStart = 0;
    int extracted = extractPayload(instance, payloadCopyPath, run.header, indexFilePath.text,
                                   payloadStream, dataStart);
    if (extracted != kExtracted)
        return extracted == kExtractDamaged ? kPayloadDamaged : kNothingInstalled;
    run.terminateHeaderTexts();
    ExpandedFolder folder = expandFolder(run.header.installFolder, moduleBaseName.text);
    run.installDir.assign(folder.path);

    // Refused before anything is written: what it installed could never be removed.
    if (!recordsFit(run, indexFilePath.text)) {
        std::fclose(payloadStream);
        std::remove(indexFilePath.text);
        std::remove(payloadCopyPath.text);
        return kNothingInstalled;
    }

    TextBuffer failedPath(260);
    WalkResult result =
        installEntries(run, indexFilePath.text, payloadStream, dataStart, failedPath);
    if (result == WalkResult::kWriteFailed)
        showWriteFailure(progressWindow, failedPath.text);
    std::fclose(payloadStream);
    std::remove(indexFilePath.text);
    std::remove(payloadCopyPath.text);
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
