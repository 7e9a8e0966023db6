/* az_dialogs RESULT STOPFILE TIMEOUT_MS [yes|no]
 *
 * Watches for top-level dialogs (class "#32770", which message boxes use),
 * records each one and presses its OK button, until STOPFILE exists or the
 * timeout passes. RESULT.ready is written once the watch has begun. RESULT
 * holds "count=N" and one "[dialog N]" section per dialog: caption and static
 * text (control 0xFFFF) as narrow bytes and as UTF-16, styles, the owner
 * window, the buttons and what the icon control shows. RESULT is rewritten
 * after every dialog, so a scenario that is cut short still reads it.
 * A question (Yes and No buttons) gets the answer given, No by default. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "record.h"

#define MAX_DIALOGS 32

static Record result;
static Record dialogs;
static int dialogCount = 0;
static const char* resultPath;
static DWORD startTick;
static int answerYes = 0;

typedef struct Controls {
    HWND text;
    HWND icon;
    HWND ok;
    HWND yes;
    HWND no;
    char buttons[1024];
    size_t buttonsUsed;
} Controls;

static BOOL CALLBACK visitControl(HWND child, LPARAM param) {
    Controls* c = (Controls*)param;
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    int id = GetDlgCtrlID(child) & 0xFFFF;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls, "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON)
            c->icon = child;
        else if (id == 0xFFFF && !c->text)
            c->text = child;
    } else if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child)) {
        char label[128] = "";
        GetWindowTextA(child, label, sizeof label);
        int n = snprintf(c->buttons + c->buttonsUsed, sizeof c->buttons - c->buttonsUsed, "%s%d:%s",
                         c->buttonsUsed ? ";" : "", id, label);
        if (n > 0 && (size_t)n < sizeof c->buttons - c->buttonsUsed)
            c->buttonsUsed += (size_t)n;
        if (id == IDOK)
            c->ok = child;
        if (id == IDYES)
            c->yes = child;
        if (id == IDNO)
            c->no = child;
    }
    return TRUE;
}

static void recordText(Record* r, const char* key, HWND window) {
    char keyA[64], keyW[64];
    snprintf(keyA, sizeof keyA, "%s_a", key);
    snprintf(keyW, sizeof keyW, "%s_w", key);
    if (!window) {
        recordLine(r, keyA, "");
        recordLine(r, keyW, "");
        return;
    }
    int length = GetWindowTextLengthW(window);
    size_t room = (size_t)length * 2 + 16;
    char* narrow = (char*)calloc(room, 1);
    WCHAR* wide = (WCHAR*)calloc(room, sizeof(WCHAR));
    if (!narrow || !wide) {
        free(narrow);
        free(wide);
        return;
    }
    int n = GetWindowTextA(window, narrow, (int)room);
    recordHex(r, keyA, narrow, n > 0 ? (size_t)n : 0);
    n = GetWindowTextW(window, wide, (int)room);
    recordHex(r, keyW, wide, n > 0 ? (size_t)n * sizeof(WCHAR) : 0);
    free(narrow);
    free(wide);
}

/* Counts the pixels of the icon control, as shown on screen, by colour
 * family: an error icon is mostly red, a warning yellow, an information or
 * question icon blue. */
static void recordIconColours(Record* r, HWND icon) {
    RECT rc;
    GetWindowRect(icon, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    unsigned long red = 0, yellow = 0, blue = 0;
    if (w > 0 && h > 0 && w <= 256 && h <= 256) {
        HDC screen = GetDC(NULL);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO bi;
        memset(&bi, 0, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = NULL;
        HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        if (bitmap && bits) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
            GdiFlush();
            const unsigned char* p = (const unsigned char*)bits;
            for (int i = 0; i < w * h; ++i) {
                int b = p[i * 4], g = p[i * 4 + 1], rr = p[i * 4 + 2];
                if (rr > 150 && g < 110 && b < 110)
                    ++red;
                if (rr > 180 && g > 150 && b < 100)
                    ++yellow;
                if (b > 150 && rr < 110)
                    ++blue;
            }
            SelectObject(memory, old);
        }
        if (bitmap)
            DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
    }
    recordNumber(r, "icon_red_pixels", red);
    recordNumber(r, "icon_yellow_pixels", yellow);
    recordNumber(r, "icon_blue_pixels", blue);
}

static void recordWindowFacts(Record* r, const char* prefix, HWND window) {
    char key[64], buffer[256] = "";
    snprintf(key, sizeof key, "%s_class", prefix);
    if (window)
        GetClassNameA(window, buffer, sizeof buffer);
    recordLine(r, key, window ? buffer : "");
    snprintf(key, sizeof key, "%s_style", prefix);
    recordNumber(r, key, window ? (unsigned long)GetWindowLongA(window, GWL_STYLE) : 0);
    snprintf(key, sizeof key, "%s_exstyle", prefix);
    recordNumber(r, key, window ? (unsigned long)GetWindowLongA(window, GWL_EXSTYLE) : 0);
    DWORD pid = 0;
    if (window)
        GetWindowThreadProcessId(window, &pid);
    snprintf(key, sizeof key, "%s_pid", prefix);
    recordNumber(r, key, pid);
}

static void handleDialog(HWND dialog) {
    /* Let the box finish its layout and first paint. */
    Sleep(300);
    if (!IsWindow(dialog))
        return;
    Controls c;
    memset(&c, 0, sizeof c);
    EnumChildWindows(dialog, visitControl, (LPARAM)&c);

    char header[32];
    snprintf(header, sizeof header, "[dialog %d]\n", ++dialogCount);
    recordRaw(&dialogs, header, strlen(header));
    recordNumber(&dialogs, "seen_ms", GetTickCount() - startTick);
    recordText(&dialogs, "caption", dialog);
    recordText(&dialogs, "text", c.text);
    recordWindowFacts(&dialogs, "dialog", dialog);
    recordWindowFacts(&dialogs, "owner", GetWindow(dialog, GW_OWNER));
    recordLine(&dialogs, "buttons", c.buttons);
    int iconShown =
        c.icon && IsWindowVisible(c.icon) && SendMessageA(c.icon, STM_GETICON, 0, 0) != 0;
    recordNumber(&dialogs, "icon_shown", iconShown);
    if (iconShown)
        recordIconColours(&dialogs, c.icon);

    const char* pressed = "close";
    if (c.yes && c.no) {
        int yes = answerYes;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(yes ? IDYES : IDNO, BN_CLICKED),
                     (LPARAM)(yes ? c.yes : c.no));
        pressed = yes ? "yes" : "no";
    } else if (c.ok) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)c.ok);
        pressed = "ok";
    } else {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    recordLine(&dialogs, "pressed", pressed);
    DWORD until = GetTickCount() + 5000;
    while (IsWindow(dialog) && IsWindowVisible(dialog) && GetTickCount() < until)
        Sleep(20);
    recordNumber(&dialogs, "closed", !IsWindow(dialog) || !IsWindowVisible(dialog));
}

static void saveResult(int finished) {
    recordInit(&result);
    recordNumber(&result, "count", (unsigned long long)dialogCount);
    recordNumber(&result, "finished", (unsigned long long)finished);
    recordRaw(&result, dialogs.text, dialogs.used);
    recordSave(&result, resultPath);
}

static HWND handled[MAX_DIALOGS];

static int wasHandled(HWND dialog) {
    for (int i = 0; i < MAX_DIALOGS; ++i)
        if (handled[i] == dialog)
            return 1;
    return 0;
}

static BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
    HWND* found = (HWND*)param;
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && !wasHandled(window)) {
        *found = window;
        return FALSE;
    }
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    if (__argc < 4)
        return 2;
    resultPath = __argv[1];
    const char* stopPath = __argv[2];
    DWORD timeout = (DWORD)strtoul(__argv[3], NULL, 10);
    answerYes = __argc > 4 && lstrcmpiA(__argv[4], "yes") == 0;
    startTick = GetTickCount();
    recordInit(&dialogs);
    saveResult(0);

    char ready[MAX_PATH + 8];
    snprintf(ready, sizeof ready, "%s.ready", resultPath);
    Record mark;
    recordInit(&mark);
    recordNumber(&mark, "pid", GetCurrentProcessId());
    recordSave(&mark, ready);

    int slot = 0;
    for (;;) {
        int stopping = fileExists(stopPath) || GetTickCount() - startTick > timeout;
        HWND found = NULL;
        EnumWindows(visitTopLevel, (LPARAM)&found);
        if (found && dialogCount < MAX_DIALOGS) {
            handled[slot++ % MAX_DIALOGS] = found;
            handleDialog(found);
            saveResult(0);
            continue;
        }
        if (stopping)
            break;
        Sleep(25);
    }
    saveResult(1);
    return 0;
}
