#include "system/folders/folder_protection.h"

#include <sddl.h>

namespace {

// P: protected, nothing inherited from the parent. OICI: passed to every
// file and folder inside. 0x1200a9: read, list and execute.
const char kPrivateRules[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const char kProgramFilesRules[] =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)";

}  // namespace

int isElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    BOOL read = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return read && elevation.TokenIsElevated ? 1 : 0;
}

FolderProtection::FolderProtection(FolderAccess access)
    : attributes_(), descriptor_(nullptr), failed_(0) {
    if (!isElevated())
        return;
    const char* rules = access == FolderAccess::kPrivate ? kPrivateRules : kProgramFilesRules;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(rules, SDDL_REVISION_1, &descriptor_,
                                                              nullptr)) {
        descriptor_ = nullptr;
        failed_ = 1;
        return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_;
    attributes_.bInheritHandle = FALSE;
}

FolderProtection::~FolderProtection() {
    if (descriptor_ != nullptr)
        LocalFree(descriptor_);
}

SECURITY_ATTRIBUTES* FolderProtection::attributes() {
    return descriptor_ == nullptr ? nullptr : &attributes_;
}
