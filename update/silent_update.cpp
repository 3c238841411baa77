// The silent update: one version check, the package downloaded into the program's
// own folder, unpacked over the installation (keeping its config.xml), the client
// started. No window, no log records, no retries.
#include "update/update.h"

#include <winsock2.h>  // before windows.h, as libcurl's headers need
#include <windows.h>

#include <cstdio>
#include <string>

#include <curl/curl.h>

#include "net/http_transport.h"
#include "net/version_check.h"
#include "update/userinfo.h"
#include "zip/unzip.h"

namespace {

const wchar_t kClientExe[] = L"KivraClient.exe";
const int kPackageDeleteRetries = 5;
const DWORD kPackageDeletePauseMs = 1000;

bool IsTopLevelConfig(const wchar_t* name) {
    const wchar_t* expected = L"config.xml";
    for (; *name && *expected; ++name, ++expected) {
        wchar_t c = *name;
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != *expected)
            return false;
    }
    return *name == L'\0' && *expected == L'\0';
}

// Deletes the package; a package held open by someone else gets five more tries a
// second apart, then is left to the next restart.
void DeletePackage(const std::wstring& path) {
    for (int attempt = 0; attempt <= kPackageDeleteRetries; ++attempt) {
        if (attempt > 0)
            Sleep(kPackageDeletePauseMs);
        if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
    }
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool StartInstalledClient(const std::wstring& folder, int clientType) {
    std::wstring application = folder + kClientExe;
    wchar_t commandLine[MAX_PATH + 32];
    _snwprintf(commandLine, MAX_PATH + 32, L"%s%s %d", folder.c_str(), kClientExe, clientType);
    commandLine[MAX_PATH + 31] = L'\0';

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The command line stays as the client expects it, unquoted; naming the program
    // as well keeps CreateProcess from trying "C:\Program.exe" and the like when the
    // folder holds blanks.
    if (!CreateProcessW(application.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int InstallZipSilent(const std::wstring& packagePath) {
    ZipHandle zip = OpenZip(packagePath.c_str());
    if (!zip)
        return 0;
    CUserInfo* user = CUserInfo::GetInstance();
    SetZipRoot(zip, user->ExeDir.c_str());

    ZipEntryInfo entry;
    ReadZipEntry(zip, -1, &entry);
    const int count = entry.index;
    for (int i = 0; i < count; ++i) {
        ReadZipEntry(zip, i, &entry);
        // An update keeps the installed configuration.
        if (IsTopLevelConfig(entry.name))
            continue;
        // A target in use keeps its old content; the next entry goes on.
        UnzipItem(zip, i, entry.name);
    }
    ReleaseZip(zip);

    DeletePackage(packagePath);
    StartInstalledClient(user->ExeDir, user->ClientType);
    return 1;
}

void DownloadZipSilent(std::string url) {
    const std::wstring packagePath = CUserInfo::GetInstance()->ExeDir + L"up.zip";
    int result = -1;

    CURL* handle = curl_easy_init();
    if (!handle)
        return;
    // Opened by its wide name: a folder name outside the ANSI code page still works.
    FILE* file = _wfopen(packagePath.c_str(), L"wb");
    if (!file) {
        curl_easy_cleanup(handle);
        return;
    }
    SetDownloadOptions(handle, url, file, nullptr, nullptr);
    CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK)
        fprintf(stderr, "curl_easy_perform() failed: %s\n", curl_easy_strerror(code));
    else
        result = 0;
    curl_easy_cleanup(handle);
    fclose(file);

    if (result == 0)
        InstallZipSilent(packagePath);
    DeleteFileW(packagePath.c_str());
}

void UpgradeSilent(int clientTypeId) {
    std::string responseText;
    VersionOutcome outcome = QueryLatestVersion(clientTypeId, responseText);
    if (outcome.offered)
        DownloadZipSilent(outcome.url);
}
