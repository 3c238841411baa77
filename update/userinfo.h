// CUserInfo: the process-wide client context (program and data folders, the client's
// configuration) and the small path operations the installer shares.
//
// Built by the first GetInstance, on the main thread before any other thread exists;
// read-only afterwards, so every thread may read its fields without a lock.
#pragma once

#include <cstdint>
#include <string>

#include "update/singleton.h"

class CUserInfo : public Singleton<CUserInfo> {
public:
    std::wstring ExeDir;        // program folder, ends with a backslash
    std::wstring DataDir;       // per-user data folder, no trailing backslash
    int ClientType;             // client variant, passed on the client's command line
    std::wstring Net_Link;      // product web site
    std::wstring Net_Server;    // backend
    std::wstring Net_FxServer;  // distribution backend
    std::wstring ChannelNumber;
    std::wstring CaptName;  // product caption, also the desktop shortcut's name

    // Logs the current configuration, then reads config.xml from ExeDir and logs the
    // values read. A missing or malformed file keeps every default.
    void LoadExeConfig();

    // Writes the start-at-logon value "KivraClient" under HKLM's Run key: exePath
    // between double quotation marks, overwriting an earlier value. False when the Run
    // key cannot be opened (no administrator rights); the write itself is not checked.
    // Any thread. Does not log.
    bool SetAutoRun(const std::wstring& exePath);

    // Makes the shortcut "<desktop>\<CaptName>.lnk" pointing at targetPath, or
    // refreshes it through UpdateDesktopShortcut when the file is there already.
    // True when the shortcut was saved. Initialises COM (single-threaded apartment) on
    // the calling thread for the call. Does not log.
    bool CreateDesktopShortcut(const std::wstring& targetPath);

    // Re-points an existing desktop shortcut at targetPath, keeping every other
    // property it holds. True when there is no shortcut file (nothing to do) or when
    // the refreshed one was saved. Same threading as CreateDesktopShortcut.
    bool UpdateDesktopShortcut(const std::wstring& targetPath);

private:
    friend class Singleton<CUserInfo>;
    CUserInfo();
};

// True when at least one file-system entry matches `path` (wildcards allowed).
bool PathExists(const std::wstring& path);

// True when the first entry matching `path` is a folder. A path ending with a
// backslash matches nothing, so it gives false.
bool DirectoryExists(const std::wstring& path);

// Creates every missing folder of `path`, a folder path ending with a backslash,
// outermost first. False, creating nothing, when the path does not start at a drive.
bool CreatePath(const std::wstring& path);

// Writes the uninstall entry HKLM\...\CurrentVersion\Uninstall\KivraClient: the five
// texts as REG_SZ and EstimatedSize as REG_DWORD; values of an earlier entry are
// overwritten, others left alone. 0 when the key was opened or created (single writes
// are not checked), 2 when it was not (no administrator rights). Does not log.
int WriteUninstallInfo(std::uint32_t estimatedSizeKB, const std::wstring& uninstallString,
                       const std::wstring& displayIcon, const std::wstring& displayName,
                       const std::wstring& publisher, const std::wstring& displayVersion);

// Terminates (exit code 0) every process of the machine whose image name equals
// imageName, ignoring case. True when the process list was read and every match was
// terminated, also when none matched; false when the list cannot be read or at the
// first match that cannot be opened or terminated (later matches are left running).
// Does not wait for the processes to end. Does not log.
bool KillProcessByName(const std::wstring& imageName);
