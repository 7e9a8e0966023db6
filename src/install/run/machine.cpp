#include "install/run/machine.h"

#include <direct.h>
#include <shellapi.h>

#include <cstring>

#include "install/run/write_failure.h"
#include "system/folders/windows_folder.h"
#include "system/programs/launch.h"

namespace {

const DWORD kModulePathRoom = 260;

// Fills `text` through a call that answers the length written, or the room
// it needs when the buffer is too small; grows once and asks again.
template <typename Read>
DWORD readSystemText(TextBuffer& text, Read read) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (text.text == nullptr || text.capacity < 1)
            return 0;
        DWORD room = static_cast<DWORD>(text.capacity);
        DWORD length = read(room, text.text);
        if (length == 0)
            break;
        if (length < room) {
            text.text[length] = '\0';
            return length;
        }
        TextBuffer larger(static_cast<int32_t>(length));
        if (larger.text == nullptr)
            break;
        text.assign(larger);
    }
    text.clear();
    return 0;
}

}  // namespace

int readModulePath(HINSTANCE instance, TextBuffer& path) {
    char buffer[kModulePathRoom + 1];
    DWORD length = GetModuleFileNameA(instance, buffer, sizeof buffer);
    path.clear();
    // A full buffer means the path was cut (and, on older systems, left
    // without its terminator).
    if (length == 0 || length > kModulePathRoom)
        return 0;
    buffer[length] = '\0';
    path.append(buffer);
    return path.isEmpty() ? 0 : 1;
}

void readWindowsFolder(TextBuffer& folder) {
    if (readWindowsFolderPath(folder) && folder.text[folder.length() - 1] != '\\')
        folder.appendChar('\\');
}

void setWindowTitle(HWND window, const char* title) {
    SetWindowTextA(window, title);
}

int replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

void letMessagesThrough() {
    // Often enough for a caller that waits a second, rarely enough to cost
    // nothing beside thousands of small files.
    static const DWORD kInterval = 40;
    static DWORD last = 0;
    DWORD now = GetTickCount();
    if (now - last < kInterval)
        return;
    last = now;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void beep() {
    MessageBeep(MB_OK);
}

void showWriteFailure(HWND owner, const char* path) {
    TextBuffer message(512);
    buildWriteFailureMessage(message, path);
    MessageBoxA(owner, message.text, kWriteFailureCaption, MB_OK | MB_ICONERROR);
}

void startProgram(const char* path) {
    startAsSignedInUser(path);
}

void closeCompanionWindow() {
    HWND window = FindWindowA("WENAPP", nullptr);
    if (window == nullptr || !IsWindow(window))
        return;
    SendMessageA(window, WM_CLOSE, 0, 0);
    Sleep(500);
}

namespace {

void setText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void setNumber(HKEY key, const char* name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool given(const char* text) {
    return text != nullptr && text[0] != '\0';
}

}  // namespace

int writeUninstallKey(const UninstallEntry& entry) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, entry.keyPath, &key) != ERROR_SUCCESS)
        return 0;
    setText(key, "DisplayName", entry.displayName);
    setText(key, "UninstallString", entry.command);
    if (given(entry.quietCommand))
        setText(key, "QuietUninstallString", entry.quietCommand);
    if (given(entry.installLocation))
        setText(key, "InstallLocation", entry.installLocation);
    if (given(entry.displayIcon))
        setText(key, "DisplayIcon", entry.displayIcon);
    setNumber(key, "EstimatedSize", entry.estimatedKiB);
    setNumber(key, "NoModify", 1);
    setNumber(key, "NoRepair", 1);
    RegCloseKey(key);
    return 1;
}

uint32_t measureFilesKiB(NameList& files) {
    uint64_t bytes = 0;
    TextBuffer name(260);
    TextBuffer value(8);
    if (files.beginIteration()) {
        while (files.nextEntry(name, value)) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (name.text && GetFileAttributesExA(name.text, GetFileExInfoStandard, &data) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                bytes += (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    }
    uint64_t kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kib);
}
