// This product's uninstall record in its install folder, and what an
// earlier installation of it recorded there. An installation again, an
// upgrade, a downgrade or a renamed product keeps one record whose every
// line still on disk stays listed, so that the uninstall command removes
// whatever any version installed; a second product of the same folder gets
// a record of its own (record_names.h) and never takes over another's.
#ifndef AZ_INSTALL_RECORD_MERGE_H
#define AZ_INSTALL_RECORD_MERGE_H

#include "base/text_buffer.h"
#include "install/run/run_state.h"

// Gives `profilePath` the path of this product's record in run.installDir:
// the record whose HKLM section lists `uninstallKeyPath` (for a product
// without a name, the empty text: a record that lists no key), else the
// record that lists this installation's main program (the same product
// under a new name), else the first record name not in use. false when all
// of them belong to other products: then nothing is recorded.
bool findOwnRecord(const RunState& run, const char* uninstallKeyPath, TextBuffer& profilePath);

// Adds to run.installedFiles, after this run's own lines, each line of the
// record at `profilePath` that this installation did not list again and
// that is still there: a file inside the install folder, or a shortcut
// directly in the Desktop, Favorites, Start Menu or Programs folder. A
// shortcut left at the root of the Start Menu folder (where Start does not
// list it) that starts a program of this product is deleted instead.
void mergeEarlierRecord(RunState& run, const char* profilePath);

#endif
