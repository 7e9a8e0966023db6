// What one installation ended in: the process exit code. The numbers are a
// contract with deployment tools (README, "Exit codes") and never change.
// When several hold, the lowest number but 0 wins: a stop or a damaged
// table says more than a skipped entry.
#ifndef AZ_INSTALL_OUTCOME_H
#define AZ_INSTALL_OUTCOME_H

enum InstallOutcome {
    kInstalled = 0,         // complete, every entry installed
    kNothingInstalled = 1,  // no payload, damaged container, no temporary folder, no window
    kStoppedOnWrite = 2,    // a file could not be written: message box, no completion
    kTableDamaged = 3,      // the walk ended at a damaged entry table: not recorded
    kNoDeviceManager = 4,   // completed, but the device application manager is missing
    kEntriesSkipped = 5,    // completed, but damaged or refused entries were left out
    kPayloadDamaged = 6,    // the payload failed its checksum: nothing written, nothing recorded
};

#endif
