// A stand-in for the real client, for tests: built as KivraClient.exe.
//
// It holds the client's named mutex "KivraClient", records how it was started in
// "standin-run.txt" beside itself (UTF-8, one "key=value" line each: pid,
// command_line, working_folder) and then waits until it is terminated or until
// KIVRA_STANDIN_SECONDS (default 60) have passed. The product starts the client with a
// fixed command line, so the time bound comes from the environment.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const wchar_t kRecordName[] = L"standin-run.txt";
const DWORD kDefaultSeconds = 60;

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                            size, nullptr, nullptr);
    return bytes;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    size_t cut = folder.rfind(L'\\');
    folder.resize(cut == std::wstring::npos ? 0 : cut + 1);
    return folder;
}

// Written under a temporary name and renamed, so a reader never sees half a record.
void WriteRecord() {
    wchar_t current[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, current);
    std::string text = "pid=" + std::to_string(GetCurrentProcessId()) + "\n";
    text += "command_line=" + Utf8(GetCommandLineW()) + "\n";
    text += "working_folder=" + Utf8(current) + "\n";

    const std::wstring record = OwnFolder() + kRecordName;
    const std::wstring partial = record + L".partial";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
}

DWORD WaitSeconds() {
    wchar_t value[32] = L"";
    DWORD length = GetEnvironmentVariableW(L"KIVRA_STANDIN_SECONDS", value, 32);
    if (length == 0 || length >= 32)
        return kDefaultSeconds;
    return static_cast<DWORD>(std::wcstoul(value, nullptr, 10));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"KivraClient");
    WriteRecord();
    Sleep(WaitSeconds() * 1000);
    if (mutex)
        CloseHandle(mutex);
    return 0;
}
