// Where each entry goes, and what is done around its write, by its name:
//   "YPH.EXE"            companion: product folder; its "WENAPP" window is
//                        closed first; recorded in TAVU.INI afterwards
//   "IVORTA.EXE"         product: product folder; started once written
//   "TAVUUNINSTALL.EXE"  uninstaller: Windows folder, written right here
//   any other name       the install folder and the name's own sub-folders
// The product folder is the program-files folder + "\i-Vorta". Names compare
// whole, ignoring ASCII case, so a name with a folder part is ordinary. The
// entries named by the header's mainProgram and iconFile have their paths
// kept. A target that is a link or junction, or lies beyond one, is skipped
// with a beep and counted, as an unsafe name is: nothing is written through
// a link.
#ifndef AZ_INSTALL_PLACEMENT_H
#define AZ_INSTALL_PLACEMENT_H

#include "base/text_buffer.h"
#include "install/run/run_state.h"
#include "install/walk/chunk_reader.h"

struct EntryPlacement {
    int companion = 0;
    int product = 0;
    int uninstaller = 0;
    TextBuffer targetPath{260};
};

// 1 for an entry placed in the install folder: any name but the three above.
int goesToInstallFolder(const char* entryName);
// The path of such an entry: the install folder, "\", the name with "/"
// turned into "\". Creates nothing.
void installFolderTarget(const RunState& run, const char* entryName, TextBuffer& targetPath);

// The target path of `entryName`, with nothing done on the machine (empty
// when its folder is unknown).
void chooseTarget(const RunState& run, const char* entryName, TextBuffer& targetPath);

// Classifies `entryName`, chooses the target path and does what is due
// before the write. The uninstaller is written here from `chunk`: 0 is
// returned then, the entry being finished; 0 as well for a target refused
// for a link on its way. 1: the run writes
// `placement.targetPath` itself.
int placeBeforeWriting(RunState& run, const char* entryName, EntryPlacement& placement,
                       const ChunkReader& chunk);

// After the run has written the file: keeps the main program's and the
// icon's paths, starts the product, records the companion. 1 when the run
// records the target path in installedFiles.
int placeAfterWriting(RunState& run, const char* entryName, const EntryPlacement& placement);

#endif
