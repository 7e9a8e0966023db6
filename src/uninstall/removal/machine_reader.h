// Reads the machine facts the removal rules need (see machine_facts.h).
#ifndef AZ_UNINSTALL_MACHINE_READER_H
#define AZ_UNINSTALL_MACHINE_READER_H

#include "base/text_buffer.h"
#include "uninstall/rules/machine_facts.h"
#include "uninstall/rules/path_list.h"

class MachineReader {
  public:
    MachineReader();
    MachineReader(const MachineReader&) = delete;
    MachineReader& operator=(const MachineReader&) = delete;

    // Points into this reader's buffers; valid while it lives.
    MachineFacts facts() const;

  private:
    void readProtectedFolders();
    void protect(const char* folder);

    TextBuffer windowsFolder_;
    TextBuffer programFiles_;
    TextBuffer programFilesOther_;
    TextBuffer desktop_;
    TextBuffer favorites_;
    TextBuffer startMenu_;
    TextBuffer programs_;
    TextBuffer userProfile_;
    TextBuffer appData_;
    TextBuffer tempFolder_;
    PathList protectedFolders_;
};

#endif
