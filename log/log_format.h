// The log's text: record layout, banners, file names and the clean-up rule.
// Plain values in, plain values out; no operating-system calls, so every byte of the
// log can be checked by a table of cases.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One moment of local time, as the record and the file name show it.
struct LogStamp {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
};

// Level text of a record: always five characters for levels 1..5, empty above 5
// (and for anything that is not a known level).
std::wstring LogLevelText(int level);

// "<prefix><year>-<mm>-<dd>.log", the day file's name inside the log folder.
std::wstring LogFileName(const std::wstring& prefix, const LogStamp& stamp);

// One record, complete with its closing CR LF.
std::wstring FormatLogRecord(const LogStamp& stamp, int level, const std::wstring& sourcePath,
                             const std::wstring& functionName, const std::wstring& message,
                             int line);

// The framed banner: the start-up banner (103 asterisks, 38 blanks) or the banner that
// opens a new day file (96 asterisks, 37 blanks). `ctimeText` is the C library's ctime
// form of the moment, with its trailing line feed.
std::wstring FormatStartupBanner(const std::wstring& ctimeText);
std::wstring FormatNewFileBanner(const std::wstring& ctimeText);

// Seconds since 1970-01-01 of a Windows file time (100 ns units since 1601).
int64_t FileTimeToUnixSeconds(uint64_t fileTime);

// True when a log file last written at `fileSeconds` is old enough for the hourly
// clean-up at `nowSeconds`: more than seven days (604800 s), not exactly seven.
bool IsExpiredLog(int64_t fileSeconds, int64_t nowSeconds);

// The walk shared by the log folder and the installer's folder creation: which folders
// of `path` (a folder path ending with a backslash) must be created, outermost first,
// the path itself last. The walk stops at the first parent that `isFolder` accepts.
// Returns false, with `chain` empty, when the walk runs out of backslashes without
// finding a folder and the outermost component is not a drive ("C:").
bool PlanFolderChain(const std::wstring& path,
                     const std::function<bool(const std::wstring&)>& isFolder,
                     std::vector<std::wstring>* chain);
