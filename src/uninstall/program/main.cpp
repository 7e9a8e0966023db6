// TAVUUNINSTALL.EXE [/S] PROFILE: removes what an installation recorded in
// its uninstall profile, within the safety rules, and says how it went in
// the exit code (see outcome.h) and, unless silent, in a message box.
#include <windows.h>

#include "base/byte_buffer.h"
#include "base/text_buffer.h"
#include "system/folders/run_folder.h"
#include "uninstall/program/command_line.h"
#include "uninstall/program/outcome.h"
#include "uninstall/program/removal_window.h"
#include "uninstall/removal/leftovers.h"
#include "uninstall/removal/machine_reader.h"
#include "uninstall/removal/other_records.h"
#include "uninstall/removal/product_scope.h"
#include "uninstall/removal/removal_steps.h"
#include "uninstall/rules/path_rules.h"
#include "uninstall/rules/profile_reader.h"
#include "uninstall/rules/removal_plan.h"

namespace {

const char kUnnamedProduct[] = "ce programme";

void tell(int32_t silent, const TextBuffer& text, UINT icon) {
    if (!silent)
        MessageBoxA(nullptr, text.text ? text.text : "", kRemovalTitle, MB_OK | icon);
}

class Removal {
  public:
    Removal(const char* profilePath, const RemovalPlan& plan, const ProductScope& scope)
        : profilePath_(profilePath), plan_(plan), scope_(scope) {}

    RemovalOutcome run() {
        RemovalOutcome outcome;
        outcome.kept = plan_.keptItems;
        stopListedPrograms(plan_.files);
        clearLeftoversBeside(plan_.files);
        removeFiles(outcome);
        if (remainingFiles_.count() == 0)
            removeKeys(outcome);
        else
            keepAllKeys();
        finishProfile(outcome);
        PathList folders;
        foldersToRemove(handled_, plan_.folders, folders);
        removeFolders(folders, scheduled_, scope_);
        return outcome;
    }

  private:
    void removeFiles(RemovalOutcome& outcome) {
        for (int32_t i = 0; i < plan_.files.count(); ++i) {
            const char* path = plan_.files.at(i);
            answerMessages();
            switch (removeFile(path, scope_)) {
                case kFileGone:
                    handled_.add(path);
                    break;
                case kFileScheduled:
                    handled_.add(path);
                    scheduled_.add(path);
                    ++outcome.scheduled;
                    break;
                case kNotAFile:
                    ++outcome.kept;
                    break;
                case kFileFailed:
                    remainingFiles_.add(path);
                    ++outcome.failed;
                    break;
            }
        }
    }

    void removeKeys(RemovalOutcome& outcome) {
        for (int32_t i = 0; i < plan_.keys.count(); ++i) {
            if (!removeUninstallKey(plan_.keys.at(i))) {
                remainingKeys_.add(plan_.keys.at(i));
                ++outcome.failed;
            }
        }
    }

    // The entry stays so that the list of programs can run the command again.
    void keepAllKeys() {
        for (int32_t i = 0; i < plan_.keys.count(); ++i)
            remainingKeys_.add(plan_.keys.at(i));
    }

    void finishProfile(RemovalOutcome& outcome) {
        if (remainingFiles_.count() == 0 && remainingKeys_.count() == 0) {
            if (removeFile(profilePath_, scope_) == kFileScheduled) {
                scheduled_.add(profilePath_);
                ++outcome.scheduled;
            }
            return;
        }
        ByteBuffer text(0, 4096);
        if (!writeRemainingProfile(remainingFiles_, remainingKeys_, plan_.folders, text) ||
            !writeProfileFile(profilePath_, text, scope_))
            ++outcome.failed;
    }

    const char* profilePath_;
    const RemovalPlan& plan_;
    const ProductScope& scope_;
    PathList handled_;
    PathList scheduled_;
    PathList remainingFiles_;
    PathList remainingKeys_;
};

int32_t uninstall(HINSTANCE instance) {
    int32_t silent = 0;
    TextBuffer profilePath(260);
    TextBuffer text(512);
    int32_t given = readUninstallCommandLine(GetCommandLineA(), &silent, profilePath);
    ByteBuffer bytes(0, 0);
    UninstallProfile profile;
    if (!given || !isProfilePath(profilePath.text) || !readProfileFile(profilePath.text, bytes) ||
        !readUninstallProfile(reinterpret_cast<const char*>(bytes.data), bytes.length, profile) ||
        !leaveFilesOfOtherRecords(profilePath.text, profile.files)) {
        buildNoProfileMessage(text, profilePath.text);
        tell(silent, text, MB_ICONERROR);
        return kExitNoProfile;
    }
    MachineReader machine;
    const MachineFacts facts = machine.facts();
    ProductScope scope(facts);
    UninstallProfile ownLines;
    int32_t refused = 0;
    RemovalPlan plan;
    if (!scope.findEntries(profilePath.text) || !scope.keepOwnLines(profile, ownLines, refused) ||
        !planRemoval(ownLines, facts, plan)) {
        buildNoProfileMessage(text, profilePath.text);
        tell(silent, text, MB_ICONERROR);
        return kExitNoProfile;
    }
    plan.keptItems += refused;
    const char* productName =
        plan.keys.count() > 0 ? productNameOf(plan.keys.at(0)) : kUnnamedProduct;
    if (!silent) {
        buildQuestion(text, productName);
        if (MessageBoxA(nullptr, text.text ? text.text : "", kRemovalTitle,
                        MB_YESNO | MB_ICONQUESTION) != IDYES)
            return kExitUserSaidNo;
    }
    HWND window = silent ? nullptr : createRemovalWindow(instance);
    Removal removal(profilePath.text, plan, scope);
    RemovalOutcome outcome = removal.run();
    // What killed installer runs left in the temporary folder goes too.
    sweepAbandonedRunFolders(machine.facts().tempFolder);
    if (window != nullptr)
        DestroyWindow(window);
    answerMessages();
    buildFinalMessage(text, productName, outcome);
    tell(silent, text, exitCodeOf(outcome) == kExitRemoved ? MB_ICONINFORMATION : MB_ICONWARNING);
    return exitCodeOf(outcome);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return uninstall(instance);
}
