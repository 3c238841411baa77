// HgLog: the program's diagnostics log, one UTF-16 LE file per day in a log folder.
//
// All state is process-wide and every operation is static. Init is called once, by
// the client context, before any second thread exists; Write may then be called from
// any thread: each record opens, appends to and closes the day file under one
// unnamed mutex, so a record is on disk when Write returns.
#pragma once

#include <ctime>
#include <string>

enum LogLevel {
    LOG_LEVEL_NONE = 0,
    LOG_LEVEL_DEBUG = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARN = 3,
    LOG_LEVEL_ERROR = 4,
    LOG_LEVEL_FATAL = 5,
};

class HgLog {
public:
    virtual ~HgLog() {}

    // Sets the folder (ending with a backslash), the file prefix "[name]" and the
    // lowest level written; creates the folder and the mutex, appends the start-up
    // banner and starts the hourly clean-up timer on the calling thread. Returns true.
    static bool Init(std::wstring folder, std::wstring name, int threshold);

    // Appends one record to the day file. False when the level is 0 or below the
    // threshold, or when the file could not be opened or written (the record is
    // dropped). The first record of a newly created day file is preceded by the
    // new-file banner.
    static bool Write(std::wstring sourcePath, std::wstring functionName, std::wstring message,
                      int line, int level);

    // Deletes every file (not folder) of the log folder whose last write is more than
    // seven days old. Runs from the hourly timer; callable directly.
    static void PurgeOldLogs();

    // Creates the folder path (ending with a backslash) and its missing parents.
    // False, creating nothing, when the path does not start at a drive.
    static bool CreateLogFolder(const std::wstring& path);

    // The clock behind records, banners, file names and the clean-up. Tests set one
    // they control; nullptr restores the real clock.
    typedef time_t (*Clock)();
    static void SetClock(Clock clock);
};

// Formats a message printf-style (wide format; %s takes a wide string) into a bounded
// buffer of `capacity` characters and writes it at level Debug. Outside text must go
// through "%s", never as the format itself.
bool HgLogWriteFormat(const char* sourceFile, const wchar_t* functionName, int line,
                      size_t capacity, const wchar_t* format, ...);

// The source file as the log records it: the path the build gives, with Windows
// separators (for example "update\userinfo.cpp").
std::wstring HgLogSourcePath(const char* sourceFile);

#define HGLOG_DEBUG(function, ...) HgLogWriteFormat(__FILE__, function, __LINE__, 1024, __VA_ARGS__)
