// CUserInfo: the process-wide client context (program and data folders, the client's
// configuration) and the small path operations the installer shares.
//
// Built by the first GetInstance, on the main thread before any other thread exists;
// read-only afterwards, so every thread may read its fields without a lock.
#pragma once

#include <string>

#include "update/singleton.h"

class CUserInfo : public Singleton<CUserInfo> {
public:
    std::wstring ExeDir;       // program folder, ends with a backslash
    std::wstring DataDir;      // per-user data folder, no trailing backslash
    int ClientType;            // client variant, passed on the client's command line
    std::wstring Net_Link;     // product web site
    std::wstring Net_Server;   // backend
    std::wstring Net_FxServer; // distribution backend
    std::wstring ChannelNumber;
    std::wstring CaptName;     // product caption, also the desktop shortcut's name

    // Logs the current configuration, then reads config.xml from ExeDir and logs the
    // values read. A missing or malformed file keeps every default.
    void LoadExeConfig();

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
