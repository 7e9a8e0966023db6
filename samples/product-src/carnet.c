/* Carnet: the sample product's main program. A small window that shows the
 * welcome note installed beside it (notes\bienvenue.txt), so that a sample
 * installation can be seen to work. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define NOTE_MAX 65536

static char note[NOTE_MAX];

static void loadNote(void) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    char* slash = n < sizeof path ? strrchr(path, '\\') : NULL;
    if (!slash || (size_t)(slash - path) + 20 >= sizeof path) {
        strcpy(note, "Carnet");
        return;
    }
    strcpy(slash + 1, "notes\\bienvenue.txt");
    FILE* f = fopen(path, "rb");
    size_t got = f ? fread(note, 1, NOTE_MAX - 1, f) : 0;
    if (f)
        fclose(f);
    note[got] = '\0';
    if (got == 0)
        strcpy(note, "Carnet : la note de bienvenue est introuvable.");
}

static LRESULT CALLBACK carnetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static HWND edit;
    switch (message) {
        case WM_CREATE:
            edit = CreateWindowA("EDIT", note,
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0,
                                 0, 0, 0, window, NULL, ((CREATESTRUCTA*)lParam)->hInstance, NULL);
            SendMessageA(edit, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), TRUE);
            return 0;
        case WM_SIZE:
            MoveWindow(edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    loadNote();
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = carnetProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "CarnetWindow";
    if (!RegisterClassA(&wc))
        return 1;
    HWND window = CreateWindowA("CarnetWindow", "Carnet", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 320, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
