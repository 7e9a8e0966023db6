/* az_pinger RESULT STOPFILE TIMEOUT_MS [CLOSE_AFTER_MS]
 *
 * Checks that the installer's progress window (class "__WINJOB__") answers
 * while the installation runs: from the moment it appears until it is gone
 * (or STOPFILE exists, or the timeout passes) it sends WM_NULL with
 * SendMessageTimeout (SMTO_NORMAL, 1 s) over and over and counts the calls
 * answered and those that timed out, with the slowest answer. Once
 * CLOSE_AFTER_MS have passed since the window appeared, it asks the window
 * to close the ways a user can (WM_CLOSE, and the system menu's SC_CLOSE,
 * which Alt+F4 sends as well) and posts the start message 0x1400 again, then
 * notes whether the window was still there. RESULT.ready is written once
 * the watch has begun. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "record.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 4)
        return 2;
    const char* resultPath = __argv[1];
    const char* stopPath = __argv[2];
    DWORD timeout = (DWORD)strtoul(__argv[3], NULL, 10);
    DWORD closeAfter = __argc > 4 ? (DWORD)strtoul(__argv[4], NULL, 10) : 0xFFFFFFFFu;

    char ready[MAX_PATH + 8];
    snprintf(ready, sizeof ready, "%s.ready", resultPath);
    Record mark;
    recordInit(&mark);
    recordNumber(&mark, "pid", GetCurrentProcessId());
    recordSave(&mark, ready);

    DWORD start = GetTickCount(), seenAt = 0, goneAt = 0, closeAt = 0;
    unsigned long answered = 0, unanswered = 0, slowest = 0;
    int seen = 0, closeSent = 0, aliveAfterClose = 0, closeAnswered = 0;
    for (;;) {
        DWORD now = GetTickCount();
        if (fileExists(stopPath) || now - start > timeout)
            break;
        HWND window = FindWindowA("__WINJOB__", NULL);
        if (window == NULL) {
            if (seen) {
                goneAt = now - start;
                break;
            }
            Sleep(2);
            continue;
        }
        if (!seen) {
            seen = 1;
            seenAt = now - start;
        }
        DWORD_PTR reply = 0;
        DWORD before = GetTickCount();
        if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &reply)) {
            ++answered;
        } else if (IsWindow(window)) {
            ++unanswered;  // a window gone meanwhile is not a hang
        }
        DWORD took = GetTickCount() - before;
        if (took > slowest)
            slowest = took;
        if (!closeSent && now - start - seenAt >= closeAfter) {
            closeSent = 1;
            closeAt = now - start;
            closeAnswered =
                SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &reply) != 0;
            SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 1000, &reply);
            PostMessageA(window, WM_USER + 0x1000, 0, 0);
            Sleep(50);
            aliveAfterClose = IsWindow(window) ? 1 : 0;
        }
        Sleep(10);
    }

    Record result;
    recordInit(&result);
    recordNumber(&result, "seen", (unsigned long long)seen);
    recordNumber(&result, "seen_ms", seenAt);
    recordNumber(&result, "gone_ms", goneAt);
    recordNumber(&result, "answered", answered);
    recordNumber(&result, "unanswered", unanswered);
    recordNumber(&result, "slowest_ms", slowest);
    recordNumber(&result, "close_sent", (unsigned long long)closeSent);
    recordNumber(&result, "close_ms", closeAt);
    recordNumber(&result, "close_answered", (unsigned long long)closeAnswered);
    recordNumber(&result, "alive_after_close", (unsigned long long)aliveAfterClose);
    recordSave(&result, resultPath);
    return 0;
}
