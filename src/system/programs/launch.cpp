#include "system/programs/launch.h"

#include <windows.h>

#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

namespace {

// One COM interface pointer, released with its owner.
template <typename Interface>
class ComRef {
  public:
    ComRef() : pointer_(nullptr) {}
    ~ComRef() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    void** out() { return reinterpret_cast<void**>(&pointer_); }
    Interface** typedOut() { return &pointer_; }

  private:
    Interface* pointer_;
};

// A text as a BSTR in a VARIANT, freed with it.
class TextVariant {
  public:
    explicit TextVariant(const char* text) {
        VariantInit(&value);
        int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (length <= 0)
            return;
        BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (wide == nullptr)
            return;
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
        value.vt = VT_BSTR;
        value.bstrVal = wide;
    }
    ~TextVariant() { VariantClear(&value); }
    TextVariant(const TextVariant&) = delete;
    TextVariant& operator=(const TextVariant&) = delete;

    bool given() const { return value.vt == VT_BSTR; }

    VARIANT value;
};

bool runsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
}

// The shell's own object behind the desktop window: its ShellExecute runs in
// the shell's process.
bool findDesktopShell(ComRef<IShellDispatch2>& shell) {
    ComRef<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.out())))
        return false;
    VARIANT location;
    VARIANT root;
    VariantInit(&location);
    VariantInit(&root);
    long window = 0;
    ComRef<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.typedOut()) != S_OK ||
        desktop.get() == nullptr)
        return false;
    ComRef<IServiceProvider> services;
    ComRef<IShellBrowser> browser;
    ComRef<IShellView> view;
    ComRef<IDispatch> background;
    ComRef<IShellFolderViewDual> folderView;
    ComRef<IDispatch> application;
    return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.out())) &&
           SUCCEEDED(
               services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.out())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.typedOut())) && view.get() &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.out())) &&
           background.get() &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.out())) &&
           SUCCEEDED(folderView->get_Application(application.typedOut())) && application.get() &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.out())) && shell.get();
}

bool startThroughDesktopShell(const char* path) {
    char folder[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return false;
    HRESULT com = CoInitialize(nullptr);
    bool started = false;
    {
        ComRef<IShellDispatch2> shell;
        TextVariant file(path);
        TextVariant directory(folder);
        TextVariant verb("open");
        VARIANT arguments;
        VARIANT show;
        VariantInit(&arguments);
        VariantInit(&show);
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        started = file.given() && directory.given() && verb.given() && findDesktopShell(shell) &&
                  SUCCEEDED(shell->ShellExecute(file.value.bstrVal, arguments, directory.value,
                                                verb.value, show));
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return started;
}

}  // namespace

void startAsSignedInUser(const char* path) {
    if (runsElevated() && startThroughDesktopShell(path))
        return;
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}
