#include "system/shell/shortcut.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "system/files/plain_file.h"
#include "system/shell/link_name.h"
#include "system/shell/registry.h"

namespace {

const DWORD kValueBytes = 1024;
const int kWidePathRoom = 260;
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool isGiven(const char* text) {
    return text != nullptr && text[0] != '\0';
}

// A shell link object and its file interface for the length of one call,
// COM set up around them. Both pointers stay null when it cannot be made.
class ShellLinkFile {
  public:
    ShellLinkFile() : com_(CoInitialize(nullptr)) {
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
            FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
            file = nullptr;
    }
    ~ShellLinkFile() {
        if (file != nullptr)
            file->Release();
        if (link != nullptr)
            link->Release();
        if (SUCCEEDED(com_))
            CoUninitialize();
    }
    ShellLinkFile(const ShellLinkFile&) = delete;
    ShellLinkFile& operator=(const ShellLinkFile&) = delete;

    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;

  private:
    HRESULT com_;
};

}  // namespace

bool createShortcut(TextBuffer& out, const char* folderValueName, const char* targetPath,
                    const char* linkName, const char* iconPath, const char* arguments) {
    out.clear();
    if (targetPath == nullptr || !isPlainLinkName(linkName))
        return false;

    TextBuffer shortcutPath(1024);
    if (!readRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, folderValueName, KEY_QUERY_VALUE,
                          kValueBytes, shortcutPath)) {
        return false;
    }
    shortcutPath.appendChar('\\');
    shortcutPath.append(linkName);
    shortcutPath.append(".LNK");

    // A cut or guessed name would put the link somewhere else: refuse both.
    WCHAR widePath[kWidePathRoom];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, shortcutPath.text, -1, widePath,
                            kWidePathRoom) == 0) {
        return false;
    }

    ShellLinkFile shortcut;
    if (shortcut.file == nullptr)
        return false;
    IShellLinkA* link = shortcut.link;
    if (isGiven(arguments))
        link->SetArguments(arguments);
    link->SetPath(targetPath);
    link->SetDescription(linkName);
    if (isGiven(iconPath))
        link->SetIconLocation(iconPath, 0);
    bool saved = SUCCEEDED(shortcut.file->Save(widePath, TRUE));
    out.append(shortcutPath);
    return saved;
}

bool readShortcutTarget(const char* shortcutPath, TextBuffer& out) {
    out.clear();
    WCHAR widePath[kWidePathRoom];
    if (shortcutPath == nullptr || !isPlainFile(shortcutPath) ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, shortcutPath, -1, widePath,
                            kWidePathRoom) == 0) {
        return false;
    }
    ShellLinkFile shortcut;
    char target[MAX_PATH + 1] = "";
    // SLGP_RAWPATH: the path as stored, never resolved against the machine.
    if (shortcut.file == nullptr || FAILED(shortcut.file->Load(widePath, STGM_READ)) ||
        shortcut.link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK)
        return false;
    target[MAX_PATH] = '\0';
    out.append(target);
    return !out.isEmpty();
}
