/* az_window RESULT STOPFILE TIMEOUT_MS [CLASS [until-shown]]
 *
 * Observes the installer's progress window (class "__WINJOB__" unless CLASS
 * is given) from outside, until STOPFILE exists, the timeout passes or, with
 * "until-shown", the window has been seen shown, and
 * writes RESULT: whether and when it was seen, every title it showed (hex),
 * its rectangles, styles and class settings, the screen size and metrics,
 * the extent of the waiting text measured here with the font the window is
 * meant to use, and how many pixels of the client area on screen carry the
 * text colour RGB(0, 0, 64). RESULT.ready is written once the watch has
 * begun. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "record.h"

#define MAX_TITLES 16

static const char kWaitingText[] = "\nInstallation en cours.\nVeuillez patienter ...\n";

static Record result;
static char titles[MAX_TITLES][1024];
static int titleLengths[MAX_TITLES];
static int titleCount = 0;

typedef struct Sighting {
    int seen;
    int visible;
    DWORD firstMs, goneMs;
    DWORD pid;
    RECT window, client;
    POINT clientOrigin;
    LONG style, exStyle;
    ULONG_PTR classStyle, background;
    unsigned long exactPixels, nearPixels, pixelsTotal;
    int captures;
} Sighting;

static Sighting sight;

/* The text's extent with the window's font, measured on the screen DC. */
static void measureWaitingText(int* width, int* height, int* logPixelsY) {
    HDC screen = GetDC(NULL);
    *logPixelsY = GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = CreateFontA(-MulDiv(8, *logPixelsY, 72), 0, 0, 0, 200, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS,
                             CLEARTYPE_NATURAL_QUALITY, VARIABLE_PITCH, "Arial");
    HGDIOBJ old = SelectObject(screen, font);
    RECT rc = {0, 0, 0, 0};
    DrawTextA(screen, kWaitingText, -1, &rc, DT_CALCRECT | DT_CENTER | DT_VCENTER);
    SelectObject(screen, old);
    ReleaseDC(NULL, screen);
    DeleteObject(font);
    *width = rc.right;
    *height = rc.bottom;
}

/* Copies the client area from the screen and counts text-coloured pixels. */
static void capturePixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096)
        return;
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
        BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        unsigned long exact = 0, nearby = 0;
        const unsigned char* p = (const unsigned char*)bits;
        for (int i = 0; i < w * h; ++i) {
            int b = p[i * 4], g = p[i * 4 + 1], r = p[i * 4 + 2];
            if (r == 0 && g == 0 && b == 64)
                ++exact;
            if (r < 96 && g < 96 && b >= 40 && b <= 160 && b > r + 16 && b > g + 16)
                ++nearby;
        }
        if (nearby >= sight.nearPixels) {
            sight.exactPixels = exact;
            sight.nearPixels = nearby;
            sight.pixelsTotal = (unsigned long)(w * h);
        }
        ++sight.captures;
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
}

static void noteTitle(HWND window) {
    char title[1024];
    int n = GetWindowTextA(window, title, sizeof title);
    if (n < 0 || !IsWindow(window))
        return;
    if (titleCount > 0 && titleLengths[titleCount - 1] == n &&
        memcmp(titles[titleCount - 1], title, (size_t)n) == 0)
        return;
    if (titleCount == MAX_TITLES)
        return;
    memcpy(titles[titleCount], title, (size_t)n);
    titleLengths[titleCount++] = n;
}

/* Reads the window's facts into a copy and keeps them only when the window
 * was still there and visible afterwards: a window being destroyed answers
 * with zeros. */
static void observe(HWND window, DWORD nowMs) {
    if (!sight.seen) {
        sight.seen = 1;
        sight.firstMs = nowMs;
    }
    noteTitle(window);
    if (!IsWindowVisible(window))
        return;
    Sighting s = sight;
    GetWindowRect(window, &s.window);
    GetClientRect(window, &s.client);
    s.clientOrigin.x = s.clientOrigin.y = 0;
    ClientToScreen(window, &s.clientOrigin);
    s.style = GetWindowLongA(window, GWL_STYLE);
    s.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    s.classStyle = GetClassLongPtrA(window, GCL_STYLE);
    s.background = GetClassLongPtrA(window, GCLP_HBRBACKGROUND);
    GetWindowThreadProcessId(window, &s.pid);
    if (!IsWindow(window) || !IsWindowVisible(window) || !(s.style & WS_VISIBLE))
        return;
    s.visible = 1;
    sight = s;
    capturePixels(window);
}

static void writeResult(const char* path, int finished) {
    recordInit(&result);
    recordNumber(&result, "finished", (unsigned long long)finished);
    recordNumber(&result, "seen", (unsigned long long)sight.seen);
    recordNumber(&result, "visible", (unsigned long long)sight.visible);
    recordNumber(&result, "first_ms", sight.firstMs);
    recordNumber(&result, "gone_ms", sight.goneMs);
    recordNumber(&result, "pid", sight.pid);
    recordNumber(&result, "title_count", (unsigned long long)titleCount);
    for (int i = 0; i < titleCount; ++i) {
        char key[32];
        snprintf(key, sizeof key, "title_%d", i);
        recordHex(&result, key, titles[i], (size_t)titleLengths[i]);
    }
    char rect[128];
    snprintf(rect, sizeof rect, "%ld,%ld,%ld,%ld", sight.window.left, sight.window.top,
             sight.window.right, sight.window.bottom);
    recordLine(&result, "window_rect", rect);
    snprintf(rect, sizeof rect, "%ld,%ld,%ld,%ld", sight.client.left, sight.client.top,
             sight.client.right, sight.client.bottom);
    recordLine(&result, "client_rect", rect);
    snprintf(rect, sizeof rect, "%ld,%ld", sight.clientOrigin.x, sight.clientOrigin.y);
    recordLine(&result, "client_origin", rect);
    recordNumber(&result, "style", (unsigned long)sight.style);
    recordNumber(&result, "exstyle", (unsigned long)sight.exStyle);
    recordNumber(&result, "class_style", sight.classStyle);
    recordNumber(&result, "class_background", sight.background);
    recordNumber(&result, "text_pixels_exact", sight.exactPixels);
    recordNumber(&result, "text_pixels_near", sight.nearPixels);
    recordNumber(&result, "pixels_total", sight.pixelsTotal);
    recordNumber(&result, "captures", (unsigned long long)sight.captures);
    recordNumber(&result, "screen_cx", (unsigned long)GetSystemMetrics(SM_CXSCREEN));
    recordNumber(&result, "screen_cy", (unsigned long)GetSystemMetrics(SM_CYSCREEN));
    recordNumber(&result, "sm_cysmcaption", (unsigned long)GetSystemMetrics(SM_CYSMCAPTION));
    recordNumber(&result, "sm_cxedge", (unsigned long)GetSystemMetrics(SM_CXEDGE));
    recordNumber(&result, "sm_cyedge", (unsigned long)GetSystemMetrics(SM_CYEDGE));
    int textW = 0, textH = 0, dpi = 0;
    measureWaitingText(&textW, &textH, &dpi);
    recordNumber(&result, "text_width", (unsigned long)textW);
    recordNumber(&result, "text_height", (unsigned long)textH);
    recordNumber(&result, "logpixelsy", (unsigned long)dpi);
    recordSave(&result, path);
}

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
    const char* className = __argc > 4 ? __argv[4] : "__WINJOB__";
    int untilShown = __argc > 5 && strcmp(__argv[5], "until-shown") == 0;
    DWORD start = GetTickCount();

    char ready[MAX_PATH + 8];
    snprintf(ready, sizeof ready, "%s.ready", resultPath);
    Record mark;
    recordInit(&mark);
    recordNumber(&mark, "pid", GetCurrentProcessId());
    recordSave(&mark, ready);

    for (;;) {
        DWORD now = GetTickCount() - start;
        HWND window = FindWindowA(className, NULL);
        if (window)
            observe(window, now);
        else if (sight.seen && !sight.goneMs)
            sight.goneMs = now;
        if (fileExists(stopPath) || now > timeout || (untilShown && sight.visible))
            break;
        Sleep(window ? 5 : 2);
    }
    writeResult(resultPath, 1);
    return 0;
}
