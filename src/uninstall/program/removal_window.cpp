#include "uninstall/program/removal_window.h"

#include "uninstall/program/outcome.h"

namespace {

const char kClassName[] = "TavuUninstallWindow";

void drawText(HDC dc, RECT* rectangle, UINT format) {
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, kRemovalWaitText, -1, rectangle, format | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT CALLBACK removalWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            drawText(dc, &client, DT_CENTER | DT_VCENTER);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            // The removal ends the window itself; closing it halfway would
            // leave the product half removed.
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

HWND createRemovalWindow(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = removalWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0)
        return nullptr;
    RECT extent = {0, 0, 0, 0};
    HDC dc = GetDC(nullptr);
    if (dc != nullptr) {
        drawText(dc, &extent, DT_CALCRECT);
        ReleaseDC(nullptr, dc);
    }
    int width = extent.right + 80;
    int height = extent.bottom + GetSystemMetrics(SM_CYCAPTION) + 40;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window =
        CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kRemovalTitle, WS_VISIBLE | WS_CAPTION, x, y,
                        width, height, nullptr, nullptr, instance, nullptr);
    if (window != nullptr)
        UpdateWindow(window);
    answerMessages();
    return window;
}

void answerMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void waitAnswering(DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        answerMessages();
        DWORD passed = GetTickCount() - start;
        if (passed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - passed, QS_ALLINPUT);
    }
}
