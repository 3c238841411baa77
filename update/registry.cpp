// The client's registry entries: the start-at-logon value and the uninstall entry.
//
// Keys are opened without a registry-view flag on purpose: the product is a 32-bit
// program, and its entries belong in the registry view of 32-bit programs.
#include <windows.h>

#include "update/userinfo.h"

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kClientValueName[] = L"KivraClient";

// REG_SZ with its terminating NUL counted in the data length.
LONG SetStringValue(HKEY key, const wchar_t* name, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

bool CUserInfo::SetAutoRun(const std::wstring& exePath) {
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &run) != ERROR_SUCCESS)
        return false;
    // Quoted, so that a path with blanks (Program Files) starts the right program.
    SetStringValue(run, kClientValueName, L"\"" + exePath + L"\"");
    RegCloseKey(run);
    return true;
}

int WriteUninstallInfo(std::uint32_t estimatedSizeKB, const std::wstring& uninstallString,
                       const std::wstring& displayIcon, const std::wstring& displayName,
                       const std::wstring& publisher, const std::wstring& displayVersion) {
    HKEY uninstall = nullptr;
    // Creating (or opening through RegCreateKeyEx) the entry needs the right to create
    // sub-keys on this handle; without it Windows refuses even with administrator rights.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                      KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_CREATE_SUB_KEY,
                      &uninstall) != ERROR_SUCCESS)
        return 2;
    HKEY entry = nullptr;
    DWORD disposition = 0;
    LONG created = RegCreateKeyExW(uninstall, kClientValueName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, &entry, &disposition);
    RegCloseKey(uninstall);
    if (created != ERROR_SUCCESS)
        return 2;

    SetStringValue(entry, L"DisplayIcon", displayIcon);
    SetStringValue(entry, L"UninstallString", uninstallString);
    SetStringValue(entry, L"DisplayName", displayName);
    SetStringValue(entry, L"DisplayVersion", displayVersion);
    SetStringValue(entry, L"Publisher", publisher);
    DWORD size = estimatedSizeKB;
    RegSetValueExW(entry, L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size),
                   sizeof(size));
    RegCloseKey(entry);
    return 0;
}
