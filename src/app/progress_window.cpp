#include "app/progress_window.h"

#include "app/process_state.h"
#include "install/run/outcome.h"
#include "install/run/run.h"

namespace {

const char kClassName[] = "__WINJOB__";
const char kWaitingText[] = "\nInstallation en cours.\nVeuillez patienter ...\n";
const COLORREF kTextColour = RGB(0, 0, 64);

// Until the run has ended, the window was made for nothing.
int runOutcome = kNothingInstalled;

enum class RunStage { kNotStarted, kRunning, kOver };
RunStage runStage = RunStage::kNotStarted;

// Made anew for every drawing: 8-point extra-light Arial at the DC's DPI.
HFONT createTextFont(HDC dc) {
    int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, FW_EXTRALIGHT, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, CLEARTYPE_NATURAL_QUALITY,
                       VARIABLE_PITCH, "Arial");
}

LRESULT CALLBACK progressWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            drawProgressText(window, 1, &client);
            EndPaint(window, &paint);
            return 1;
        }
        case kStartMessage:
            // The run lets messages through: a second start message (sent
            // by anyone) must not start a second run inside the first.
            if (runStage != RunStage::kNotStarted)
                return 1;
            runStage = RunStage::kRunning;
            runOutcome = runInstallation(instanceHandle, progressWindow);
            runStage = RunStage::kOver;
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 1;
        case WM_CLOSE:
            // Closing half-way would leave half-written files: refused
            // (Alt+F4 and the system menu come here too) until the run is over.
            if (runStage == RunStage::kRunning)
                return 0;
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_DESTROY:
            PostQuitMessage(runOutcome);  // the loop's last message carries the exit code
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int registerProgressClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = progressWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

HWND createProgressWindow(HINSTANCE instance, const char* title) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int captionHeight = GetSystemMetrics(SM_CYSMCAPTION);
    int edgeWidth = GetSystemMetrics(SM_CXEDGE);
    int edgeHeight = GetSystemMetrics(SM_CYEDGE);

    RECT extent = {0, 0, 0, 0};
    drawProgressText(nullptr, 0, &extent);
    // Room for a caption the window does not have, and a wide margin.
    int width = extent.right + 4 * edgeWidth + 120;
    int height = extent.bottom + captionHeight + 4 * edgeHeight;
    int x = (screenWidth - width) / 2;
    int y = (screenHeight - height) / 2;
    return CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_TOOLWINDOW, kClassName, title,
                           WS_VISIBLE | WS_BORDER, x, y, width, height, nullptr, nullptr, instance,
                           nullptr);
}

void drawProgressText(HWND window, int toWindow, RECT* rectangle) {
    HWND owner = toWindow ? window : nullptr;
    // Its own DC, not BeginPaint's: the text is not clipped to the update region.
    HDC dc = GetDC(owner);
    if (dc == nullptr)
        return;
    HFONT font = createTextFont(dc);
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetTextColor(dc, kTextColour);
    // Several lines: DT_VCENTER has no effect, the lines start at the top.
    UINT format = toWindow ? DT_CENTER | DT_VCENTER : DT_CALCRECT | DT_CENTER | DT_VCENTER;
    DrawTextA(dc, kWaitingText, -1, rectangle, format);
    SelectObject(dc, previousFont);
    ReleaseDC(owner, dc);
    DeleteObject(font);
}
