// Whether the payload's uninstaller goes over the one in the Windows folder.
// Every product on the machine names that one file in its uninstall
// command, so it is replaced only by an uninstaller of ours (its version
// resource's InternalName "TAVUUNINSTALL" and ProductName "azsetup") whose
// FileVersion is the same or newer; a file there that is not ours (or
// carries no version) is replaced by one that is.
#ifndef AZ_INSTALL_UNINSTALLER_UPDATE_H
#define AZ_INSTALL_UNINSTALLER_UPDATE_H

#include <cstddef>

enum class UninstallerUpdate {
    kWrite,         // the payload's copy goes in
    kKeepExisting,  // the one in place is ours and newer, or the payload's is not ours
    kRefused,       // the payload's copy is not ours and none of ours is in place
};

// `candidate` holds the payload's entry (nullptr when it could not be had
// whole); `targetPath` is where the shared uninstaller lies.
UninstallerUpdate chooseUninstallerUpdate(const char* targetPath, const unsigned char* candidate,
                                          size_t size);

#endif
