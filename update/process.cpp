// Terminating running copies of a program, found in the machine's process list through
// the terminal-services enumeration (every session, every user).
#include <windows.h>
#include <wtsapi32.h>

#include "update/userinfo.h"

bool KillProcessByName(const std::wstring& imageName) {
    PWTS_PROCESS_INFOW processes = nullptr;
    DWORD count = 0;
    if (!WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &processes, &count))
        return false;

    bool allKilled = true;
    for (DWORD i = 0; i < count && allKilled; ++i) {
        const wchar_t* name = processes[i].pProcessName;
        if (!name || lstrcmpiW(name, imageName.c_str()) != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processes[i].ProcessId);
        if (!process) {
            allKilled = false;
            break;
        }
        // Termination finishes asynchronously; the caller waits for the client's mutex.
        allKilled = TerminateProcess(process, 0) != FALSE;
        CloseHandle(process);
    }
    WTSFreeMemory(processes);
    return allKilled;
}
