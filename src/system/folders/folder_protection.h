// The access rules given to folders an elevated run creates, so that an
// ordinary user of the machine can neither plant nor change what lies in
// them. A run that is not elevated gives none: it could not enter a folder
// closed to itself.
#ifndef AZ_SYSTEM_FOLDER_PROTECTION_H
#define AZ_SYSTEM_FOLDER_PROTECTION_H

#include <windows.h>

enum class FolderAccess {
    kPrivate,       // Administrators and SYSTEM only: the run's own temporary folder
    kProgramFiles,  // as the program-files folder: Users may read and run, nothing more
};

class FolderProtection {
  public:
    explicit FolderProtection(FolderAccess access);
    FolderProtection(const FolderProtection&) = delete;
    FolderProtection& operator=(const FolderProtection&) = delete;
    ~FolderProtection();

    // For CreateDirectoryA: null when the process is not elevated (the
    // folder then inherits from its parent). When elevated, a protected
    // list that inherits nothing.
    SECURITY_ATTRIBUTES* attributes();
    // 1 when the process is elevated but the rules could not be built: the
    // folder must not be made without them.
    int failed() const { return failed_; }

  private:
    SECURITY_ATTRIBUTES attributes_;
    PSECURITY_DESCRIPTOR descriptor_;
    int failed_;
};

// 1 when the process runs with an elevated (full administrator) token.
int isElevated();

#endif
