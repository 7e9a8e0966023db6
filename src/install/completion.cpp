#include "install/completion.h"

#include "base/matching.h"
#include "install/device_setup.h"
#include "install/machine.h"
#include "install/uninstall_command.h"
#include "system/device_manager.h"
#include "system/profile_section.h"
#include "system/publisher_values.h"
#include "system/shortcut.h"

namespace {

const char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

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
    if (header.startMenuName[0] != '\0') {
        makeShortcut(run, "Start Menu", header.startMenuName, "");
    }
    startProgram(run.mainProgramPath.text);
}

void recordForUninstaller(RunState& run) {
    TextBuffer uninstallProfilePath(run.installDir);
    uninstallProfilePath.append("\\TAVUUNINSTALL.INI");
    run.installedFiles.writeSection(uninstallProfilePath.text, "FILES");

    // Without a product name the key would be the Uninstall key itself, and
    // its values would damage the system's list of installed programs.
    if (run.header.productName[0] != '\0') {
        TextBuffer uninstallKeyPath(kUninstallKeyPrefix);
        uninstallKeyPath.append(run.header.productName);
        TextBuffer uninstallCommand(600);
        buildUninstallCommand(uninstallCommand, run.uninstallerPath.text,
                              uninstallProfilePath.text);
        writeUninstallKey(uninstallKeyPath.text, run.header.productName, uninstallCommand.text);
        writePublisherValues(uninstallKeyPath.text);
        ProfileSection registrySection(uninstallProfilePath.text, "HKLM");
        registrySection.writeValue(uninstallKeyPath.text, "");
    }
    ProfileSection folderSection(uninstallProfilePath.text, "DIRS");
    folderSection.writeValue(run.installDir.text, "1");
}

}  // namespace

void completeInstallation(RunState& run) {
    if (!run.mainProgramPath.isEmpty()) {
        if (isDeviceSetupFile(run.mainProgramPath.text)) {
            handOffToDeviceManager(run.mainProgramPath);
        } else {
            makeShortcutsAndStart(run);
        }
    }
    recordForUninstaller(run);
}
