#include "install/completion/completion.h"

#include "base/matching.h"
#include "install/completion/device_setup.h"
#include "install/completion/record_merge.h"
#include "install/completion/uninstall_command.h"
#include "install/run/machine.h"
#include "install/run/outcome.h"
#include "system/files/link_check.h"
#include "system/files/profile_section.h"
#include "system/programs/device_manager.h"
#include "system/shell/publisher_values.h"
#include "system/shell/shortcut.h"

namespace {

// Each shortcut made is recorded at once, so the uninstaller removes it.
void makeShortcut(RunState& run, const char* folderValueName, const char* linkName,
                  const char* arguments) {
    TextBuffer shortcutPath(260);
    createShortcut(shortcutPath, folderValueName, run.mainProgramPath.text, linkName,
                   run.iconPath.text, arguments);
    if (!shortcutPath.isEmpty())
        run.installedFiles.set(shortcutPath.text, "1");
}

void makeShortcutsAndStart(RunState& run) {
    const payload::PayloadHeader& header = run.header;
    if (header.productName[0] != '\0') {
        makeShortcut(run, "Desktop", header.productName, "");
        if (equalsIgnoreCase(header.productName, "i-PelBor")) {
            makeShortcut(run, "Desktop", "i-PelBor Pro", " ?");
        }
    }
    if (header.favoritesName[0] != '\0')
        makeShortcut(run, "Favorites", header.favoritesName, "");
    // Start lists what lies under Start Menu\Programs, not the root.
    if (header.startMenuName[0] != '\0')
        makeShortcut(run, "Programs", header.startMenuName, "");
    startProgram(run.mainProgramPath.text);
}

void recordForUninstaller(RunState& run) {
    // Without a product name the key would be the Uninstall key itself, and
    // its values would damage the system's list of installed programs.
    const bool named = run.header.productName[0] != '\0';
    TextBuffer uninstallKeyPath(named ? kUninstallKeyPrefix : "");
    if (named)
        uninstallKeyPath.append(run.header.productName);
    TextBuffer uninstallProfilePath(260);
    if (uninstallKeyPath.text == nullptr ||
        !findOwnRecord(run, uninstallKeyPath.text, uninstallProfilePath))
        return;
    // Its files were refused for the same reason: nothing to record, and
    // the profile would land where the link leads.
    if (passesThroughLink(uninstallProfilePath.text))
        return;
    mergeEarlierRecord(run, uninstallProfilePath.text);
    run.installedFiles.writeSection(uninstallProfilePath.text, "FILES");

    if (named) {
        TextBuffer uninstallCommand(600);
        buildUninstallCommand(uninstallCommand, run.uninstallerPath.text,
                              uninstallProfilePath.text);
        // The silent form only runs something when an uninstaller was installed.
        TextBuffer quietCommand(600);
        if (!run.uninstallerPath.isEmpty())
            buildQuietUninstallCommand(quietCommand, run.uninstallerPath.text,
                                       uninstallProfilePath.text);
        UninstallEntry entry;
        entry.keyPath = uninstallKeyPath.text;
        entry.displayName = run.header.productName;
        entry.command = uninstallCommand.text;
        entry.quietCommand = quietCommand.text;
        entry.installLocation = run.installDir.text;
        entry.displayIcon = !run.iconPath.isEmpty() ? run.iconPath.text : run.mainProgramPath.text;
        entry.estimatedKiB = measureFilesKiB(run.installedFiles);
        writeUninstallKey(entry);
        writePublisherValues(uninstallKeyPath.text);
        ProfileSection registrySection(uninstallProfilePath.text, "HKLM");
        registrySection.writeValue(uninstallKeyPath.text, "");
    }
    ProfileSection folderSection(uninstallProfilePath.text, "DIRS");
    folderSection.writeValue(run.installDir.text, "1");
}

}  // namespace

int completeInstallation(RunState& run) {
    int outcome = kInstalled;
    if (!run.mainProgramPath.isEmpty()) {
        if (isDeviceSetupFile(run.mainProgramPath.text)) {
            if (!handOffToDeviceManager(run.mainProgramPath))
                outcome = kNoDeviceManager;
        } else {
            makeShortcutsAndStart(run);
        }
    }
    recordForUninstaller(run);
    return outcome;
}
