#include "system/shortcut.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "system/link_name.h"
#include "system/plain_file.h"
#include "system/registry.h"

namespace {

const DWORD kValueBytes = 1024;
const int kWidePathRoom = 260;
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool isGiven(const char* text) {
    return text != nullptr && text[0] != '\0';
}

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

    HRESULT com = CoInitialize(nullptr);
    bool saved = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        if (isGiven(arguments))
            link->SetArguments(arguments);
        link->SetPath(targetPath);
        link->SetDescription(linkName);
        if (isGiven(iconPath))
            link->SetIconLocation(iconPath, 0);

        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(widePath, TRUE));
            out.append(shortcutPath);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
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
    HRESULT com = CoInitialize(nullptr);
    bool read = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            char target[MAX_PATH + 1] = "";
            // SLGP_RAWPATH: the path as stored, never resolved against the machine.
            if (SUCCEEDED(file->Load(widePath, STGM_READ)) &&
                link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK) {
                target[MAX_PATH] = '\0';
                out.append(target);
                read = !out.isEmpty();
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return read;
}
