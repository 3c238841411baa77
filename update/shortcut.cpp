// The client's shortcut on the current user's desktop, written through the shell's
// link object (IShellLinkW) and its file persistence (IPersistFile).
#include "update/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "update/userinfo.h"

std::wstring DesktopShortcutFile(const std::wstring& desktopFolder, const std::wstring& caption) {
    return desktopFolder + L"\\" + caption + L".lnk";
}

std::wstring ShortcutWorkingFolder(const std::wstring& targetPath) {
    size_t cut = targetPath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? targetPath : targetPath.substr(0, cut);
}

namespace {

// The shortcut file of the current user's desktop; empty when the shell cannot name
// the desktop. The folder is not created: a missing desktop gets no shortcut.
std::wstring ShortcutFileOnDesktop(const std::wstring& caption) {
    wchar_t desktop[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT,
                                desktop)) ||
        !desktop[0])
        return std::wstring();
    return DesktopShortcutFile(desktop, caption);
}

// Target, working folder and icon; the other properties of the link stay as they are.
// The icon comes from the 8.3 form of the target, which has no characters outside
// the ANSI code page; the target itself when there is no short form (no such file).
void PointLinkAt(IShellLinkW* link, const std::wstring& targetPath) {
    link->SetPath(targetPath.c_str());
    link->SetWorkingDirectory(ShortcutWorkingFolder(targetPath).c_str());
    wchar_t shortPath[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(targetPath.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        link->SetIconLocation(targetPath.c_str(), 0);
    else
        link->SetIconLocation(shortPath, 0);
}

// COM for the duration of one call, balanced on every path: the thread may be the
// program's main thread (COM already up) or a worker that had none.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (ok_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

template <class T>
void Release(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

bool CUserInfo::CreateDesktopShortcut(const std::wstring& targetPath) {
    std::wstring file = ShortcutFileOnDesktop(CaptName);
    if (file.empty())
        return false;
    if (PathExists(file))
        return UpdateDesktopShortcut(targetPath);

    ComScope com;
    if (!com.Ok())
        return false;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    PointLinkAt(link, targetPath);

    IPersistFile* persist = nullptr;
    bool saved =
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Save(file.c_str(), TRUE));
    Release(persist);
    Release(link);
    return saved;
}

bool CUserInfo::UpdateDesktopShortcut(const std::wstring& targetPath) {
    std::wstring file = ShortcutFileOnDesktop(CaptName);
    if (file.empty() || !PathExists(file))
        return true;

    ComScope com;
    if (!com.Ok())
        return false;
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    bool saved = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file.c_str(), STGM_READWRITE))) {
        PointLinkAt(link, targetPath);
        // Saved back to the file it was loaded from.
        saved = SUCCEEDED(persist->Save(nullptr, TRUE));
    }
    Release(persist);
    Release(link);
    return saved;
}
