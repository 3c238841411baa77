#include "update/update.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "log/hglog.h"
#include "update/userinfo.h"

namespace {

const wchar_t kClientFolderName[] = L"KivraClient";
const wchar_t kClientExeName[] = L"KivraClient.exe";

int ErrorCode(DWORD error) {
    return static_cast<int>(error);
}

// The Program Files folder as this program sees it: for the 32-bit product on 64-bit
// Windows that is "Program Files (x86)". Empty when the shell cannot name it.
std::wstring ProgramFilesFolder() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return std::wstring();
    return folder;
}

// Volume and file index of a folder, so that two spellings of one folder (case, 8.3
// names, links) compare equal.
bool FolderIdentity(const std::wstring& folder, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE handle =
        CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(handle, info) != FALSE;
    CloseHandle(handle);
    return ok;
}

// True when `inner` is `outer` or lies somewhere below it.
bool FolderWithin(std::wstring inner, const std::wstring& outer) {
    BY_HANDLE_FILE_INFORMATION outerInfo;
    if (!FolderIdentity(outer, &outerInfo))
        return false;
    for (;;) {
        BY_HANDLE_FILE_INFORMATION info;
        if (FolderIdentity(inner, &info) &&
            info.dwVolumeSerialNumber == outerInfo.dwVolumeSerialNumber &&
            info.nFileIndexHigh == outerInfo.nFileIndexHigh &&
            info.nFileIndexLow == outerInfo.nFileIndexLow)
            return true;
        size_t cut = inner.find_last_of(L'\\', inner.size() - 2);
        if (inner.size() < 2 || cut == std::wstring::npos)
            return false;
        inner.resize(cut + 1);  // the parent, with its backslash (the drive root last)
    }
}

void StartClient(const std::wstring& clientPath, const std::wstring& workingFolder) {
    // CreateProcessW may write into the command line: give it a buffer of its own.
    std::wstring quoted = L"\"" + clientPath + L"\"";
    std::vector<wchar_t> commandLine(quoted.begin(), quoted.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started;
    ZeroMemory(&started, sizeof(started));
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingFolder.c_str(), &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    } else {
        int error = ErrorCode(GetLastError());
        HGLOG_DEBUG(L"InstallDefault", L"CreateProcess 2 Old Error %d", error);
    }
}

// A destination file that cannot be deleted is in use: it moves aside to its "_old"
// name (replacing an older one), which goes away at the next restart.
void MoveDestinationAside(const std::wstring& destination) {
    if (DeleteFileW(destination.c_str()))
        return;
    int error = ErrorCode(GetLastError());
    HGLOG_DEBUG(L"CopyTempFile2InstallDir", L"DeleteFileW Error %d %s", error, destination.c_str());
    std::wstring old = destination + L"_old";
    if (MoveFileExW(destination.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        if (!MoveFileExW(old.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            int rebootError = ErrorCode(GetLastError());
            HGLOG_DEBUG(L"CopyTempFile2InstallDir", L"MoveFileExW Reboot Error %d %s", rebootError,
                        old.c_str());
        }
    } else {
        int moveError = ErrorCode(GetLastError());
        HGLOG_DEBUG(L"CopyTempFile2InstallDir", L"MoveFileExW 2 Old Error %d", moveError);
    }
}

}  // namespace

bool CopyTempFile2InstallDir(const std::wstring& source, const std::wstring& destination) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((source + L"\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = found.cFileName;
        // ".", ".." and hidden-by-convention names such as ".keep" stay where they are.
        if (name.empty() || name[0] == L'.')
            continue;
        const std::wstring sourceItem = source + L"\\" + name;
        const std::wstring destinationItem = destination + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CreatePath(destinationItem + L"\\");
            CopyTempFile2InstallDir(sourceItem, destinationItem);
            if (!RemoveDirectoryW(sourceItem.c_str())) {
                int error = ErrorCode(GetLastError());
                HGLOG_DEBUG(L"CopyTempFile2InstallDir", L"RemoveDirectoryW Error %d", error);
            }
            continue;
        }
        if (PathExists(destinationItem))
            MoveDestinationAside(destinationItem);
        if (!MoveFileExW(sourceItem.c_str(), destinationItem.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            int error = ErrorCode(GetLastError());
            HGLOG_DEBUG(L"CopyTempFile2InstallDir", L"MoveFileExW Error %d Src %s Dst %s", error,
                        sourceItem.c_str(), destinationItem.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

void InstallDefault() {
    const std::wstring programFiles = ProgramFilesFolder();
    const std::wstring target = programFiles + L"\\" + kClientFolderName + L"\\";
    // Without a Program Files folder the target would be "\KivraClient\" at the root of
    // whatever drive is current: treat it as a folder that cannot be created.
    if (programFiles.empty()) {
        HGLOG_DEBUG(L"InstallDefault", L"CreatePath Failed");
        return;
    }
    // Tested with its trailing backslash, the target never counts as existing, so an
    // existing one goes through CreatePath too, which leaves it as it is.
    if (DirectoryExists(target)) {
        HGLOG_DEBUG(L"InstallDefault", L"Src Dir is exist");
    } else if (!CreatePath(target)) {
        HGLOG_DEBUG(L"InstallDefault", L"CreatePath Failed");
        return;
    }

    CUserInfo* user = CUserInfo::GetInstance();
    const std::wstring source = user->ExeDir.substr(0, user->ExeDir.size() - 1);
    const std::wstring destination = target.substr(0, target.size() - 1);
    // Run from the installed folder (or from a folder holding it), the move would
    // delete each file as the "old" copy of itself, or carry the destination into
    // itself: the files are where they belong already, so nothing moves.
    if (FolderWithin(target, user->ExeDir))
        HGLOG_DEBUG(L"InstallDefault", L"Src Dir contains Dst Dir, nothing moved");
    else
        CopyTempFile2InstallDir(source, destination);

    const std::wstring clientPath = destination + L"\\" + kClientExeName;
    user->CreateDesktopShortcut(clientPath);
    user->SetAutoRun(clientPath);
    StartClient(clientPath, destination + L"\\");
}
