// What one installation run knows, from its set-up to its completion. The
// run owns it for the length of one call; placement fills it entry by entry
// and completion reads it.
#ifndef AZ_INSTALL_RUN_STATE_H
#define AZ_INSTALL_RUN_STATE_H

#include "base/name_list.h"
#include "base/text_buffer.h"
#include "install/walk/replacements.h"
#include "payload/layout.h"

struct RunState {
    RunState();
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    // Terminates every text of the header within its width, so that a
    // payload that fills a field to the brim is read as a cut text.
    void terminateHeaderTexts();

    payload::PayloadHeader header;  // zero but for `size` until extraction fills it
    TextBuffer installDir{260};
    TextBuffer uninstallerPath{260};
    TextBuffer mainProgramPath{260};
    TextBuffer iconPath{260};
    NameList installedFiles;    // installed files and shortcuts, each with "1"
    Replacements replacements;  // what the walk changed, to put back on a stop
    int skippedEntries = 0;     // entries left out with a beep, or a silent uninstaller failure
    // The last target folder checked for links, and the answer: entries
    // come folder by folder, so each folder is asked about once in a row.
    TextBuffer linkCheckedFolder{260};
    int linkCheckedFolderLinked = 0;
};

#endif
