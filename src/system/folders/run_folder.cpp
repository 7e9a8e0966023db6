#include "system/folders/run_folder.h"

#include <ntsecapi.h>

#include "system/folders/folder_protection.h"
#include "system/folders/held_folders.h"
#include "system/folders/temp_folder.h"

const char kPayloadCopyName[] = "TARCH.AZ";
const char kIndexFileExtension[] = ".AX";

namespace {

const char kRunFolderPrefix[] = "AZ";
const int kNameDigits = 16;
const int kNameTries = 16;

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Counts the hexadecimal digits at the start of `text`.
int hexDigitsAt(const char* text) {
    int count = 0;
    while (isHexDigit(text[count]))
        ++count;
    return count;
}

bool equalsUpper(const char* text, const char* upper) {
    for (; *upper != '\0'; ++text, ++upper) {
        char c = *text >= 'a' && *text <= 'z' ? static_cast<char>(*text - 'a' + 'A') : *text;
        if (c != *upper)
            return false;
    }
    return *text == '\0';
}

// The system's cryptographic generator (advapi32, loaded with the process).
int appendRandomDigits(TextBuffer& name) {
    unsigned char bytes[kNameDigits / 2];
    if (!RtlGenRandom(bytes, sizeof bytes))
        return 0;
    for (unsigned char byte : bytes) {
        name.appendChar("0123456789ABCDEF"[byte >> 4]);
        name.appendChar("0123456789ABCDEF"[byte & 15]);
    }
    return 1;
}

}  // namespace

int isRunFolderName(const char* name) {
    return name[0] == kRunFolderPrefix[0] && name[1] == kRunFolderPrefix[1] &&
           hexDigitsAt(name + 2) == kNameDigits && name[2 + kNameDigits] == '\0';
}

int isRunFileName(const char* name) {
    if (equalsUpper(name, kPayloadCopyName))
        return 1;
    int digits = hexDigitsAt(name);
    return digits > 0 && digits <= kNameDigits && equalsUpper(name + digits, kIndexFileExtension);
}

RunFolder::RunFolder() : path_(MAX_PATH + 1), hold_(INVALID_HANDLE_VALUE) {
    TextBuffer temporary(MAX_PATH + 1);
    if (!readTemporaryFolder(temporary))
        return;
    // Normally there already; only its last level is ever made.
    TextBuffer unslashed(temporary);
    if (unslashed.text != nullptr) {
        unslashed.text[unslashed.length() - 1] = '\0';
        CreateDirectoryA(unslashed.text, nullptr);
    }
    sweepAbandonedRunFolders(temporary.text);
    FolderProtection protection(FolderAccess::kPrivate);
    if (protection.failed())
        return;
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        TextBuffer candidate(temporary);
        candidate.append(kRunFolderPrefix);
        if (!appendRandomDigits(candidate) || candidate.length() >= MAX_PATH - 32)
            return;
        // Never an existing folder: one that stands at the name may be anyone's.
        if (!CreateDirectoryA(candidate.text, protection.attributes())) {
            if (GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return;
        }
        hold_ = holdFolder(candidate.text);
        if (hold_ == INVALID_HANDLE_VALUE)
            continue;  // taken away or replaced before it could be held
        path_.assign(candidate);
        path_.appendChar('\\');
        return;
    }
}

RunFolder::~RunFolder() {
    if (hold_ == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(hold_);
    removeRunFolder(path_.text);
}
