// KillProcessByName against running copies of the stand-in client.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/unit/temp_folder.h"
#include "update/userinfo.h"

namespace {

// The stand-in client is built beside this test's folder: ..\standin\KivraClient.exe.
std::wstring StandinExe() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.rfind(L'\\'));
    folder.resize(folder.rfind(L'\\') + 1);
    return folder + L"standin\\KivraClient.exe";
}

// A copy of the stand-in started as `folder\name`; waits until it has written its
// record, so it is in the process list under that image name.
class Standin {
public:
    Standin(const std::wstring& folder, const std::wstring& name) {
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring exe = folder + L"\\" + name;
        if (!CopyFileW(StandinExe().c_str(), exe.c_str(), FALSE))
            return;
        SetEnvironmentVariableW(L"KIVRA_STANDIN_SECONDS", L"60");
        std::wstring quoted = L"\"" + exe + L"\"";
        std::vector<wchar_t> commandLine(quoted.begin(), quoted.end());
        commandLine.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &started))
            return;
        CloseHandle(started.hThread);
        process_ = started.hProcess;
        const std::wstring record = folder + L"\\standin-run.txt";
        for (int i = 0; i < 200 && GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES;
             ++i)
            Sleep(50);
    }
    ~Standin() {
        if (process_) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
            CloseHandle(process_);
        }
    }
    Standin(const Standin&) = delete;
    Standin& operator=(const Standin&) = delete;

    bool Started() const { return process_ != nullptr; }
    bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // Waits for the end; the exit code, or -1 when it is still running after 10 s.
    long EndCode() const {
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }

private:
    HANDLE process_ = nullptr;
};

TEST(KillProcessByName, TerminatesEveryMatchIgnoringCaseAndNothingElse) {
    TempFolder temp;
    Standin first(temp.Path() + L"a", L"KivraClient.exe");
    Standin second(temp.Path() + L"b", L"KivraClient.exe");
    Standin similar(temp.Path() + L"c", L"KivraClient2.exe");
    ASSERT_TRUE(first.Started() && second.Started() && similar.Started());

    // Names that match nothing: true, and every copy keeps running.
    for (const wchar_t* name : {L"NoSuchProgram.exe", L"KivraClient", L"ivraClient.exe"}) {
        EXPECT_TRUE(KillProcessByName(name)) << name;
        Sleep(200);
        EXPECT_TRUE(first.Running() && second.Running() && similar.Running()) << name;
    }

    EXPECT_TRUE(KillProcessByName(L"kivraclient.EXE"));
    EXPECT_EQ(first.EndCode(), 0);  // terminated with exit code 0
    EXPECT_EQ(second.EndCode(), 0);
    EXPECT_TRUE(similar.Running());

    // Nothing left to terminate: still true.
    EXPECT_TRUE(KillProcessByName(L"KivraClient.exe"));
    EXPECT_TRUE(similar.Running());
}

}  // namespace
