// How a removal ended, its exit code and the texts the user reads (French,
// Windows-1252).
//
// Exit codes: 0 removed; 3010 removed, a restart completes it; 1602 the user
// said No; 1 the profile is missing, unreadable or not registered, nothing touched; 2 some
// items remain (they could not be removed, or a safety rule kept them).
#ifndef AZ_UNINSTALL_OUTCOME_H
#define AZ_UNINSTALL_OUTCOME_H

#include <cstdint>

#include "base/text_buffer.h"

const int32_t kExitRemoved = 0;
const int32_t kExitNoProfile = 1;
const int32_t kExitItemsRemain = 2;
const int32_t kExitUserSaidNo = 1602;
const int32_t kExitRestartNeeded = 3010;

struct RemovalOutcome {
    int32_t scheduled = 0;  // files left for the next restart
    int32_t failed = 0;     // files and keys neither removed nor scheduled
    int32_t kept = 0;       // lines that a safety rule refused
};

int32_t exitCodeOf(const RemovalOutcome& outcome);

extern const char kRemovalTitle[];
extern const char kRemovalWaitText[];

// Each replaces `text`.
void buildQuestion(TextBuffer& text, const char* productName);
void buildFinalMessage(TextBuffer& text, const char* productName, const RemovalOutcome& outcome);
void buildNoProfileMessage(TextBuffer& text, const char* profilePath);

#endif
