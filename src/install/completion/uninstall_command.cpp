#include "install/completion/uninstall_command.h"

void buildUninstallCommand(TextBuffer& command, const char* uninstallerPath,
                           const char* profilePath) {
    command.clear();
    command.appendChar('"').append(uninstallerPath).append("\" \"");
    command.append(profilePath).appendChar('"');
}

void buildQuietUninstallCommand(TextBuffer& command, const char* uninstallerPath,
                                const char* profilePath) {
    command.clear();
    command.appendChar('"').append(uninstallerPath).append("\" /S \"");
    command.append(profilePath).appendChar('"');
}
