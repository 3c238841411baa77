#include "log/hglog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "log/log_format.h"

namespace {

std::wstring g_logFolder;
std::wstring g_filePrefix = L"[Log]";
int g_threshold = 0;
HANDLE g_logMutex = nullptr;
HgLog::Clock g_clock = nullptr;

const UINT_PTR kPurgeTimerId = 100;
const UINT kPurgeIntervalMs = 3600000;

time_t Now() {
    return g_clock ? g_clock() : time(nullptr);
}

LogStamp LocalStamp(time_t when) {
    LogStamp stamp = {1970, 1, 1, 0, 0, 0};
    const tm* local = localtime(&when);
    if (local) {
        stamp.year = local->tm_year + 1900;
        stamp.month = local->tm_mon + 1;
        stamp.day = local->tm_mday;
        stamp.hour = local->tm_hour;
        stamp.minute = local->tm_min;
        stamp.second = local->tm_sec;
    }
    return stamp;
}

std::wstring CtimeText(time_t when) {
    const char* text = ctime(&when);
    std::wstring wide;
    if (text) {
        for (const char* p = text; *p; ++p)
            wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return wide;
}

bool WriteText(HANDLE file, const std::wstring& text) {
    const char* data = reinterpret_cast<const char*>(text.data());
    size_t left = text.size() * sizeof(wchar_t);
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, static_cast<DWORD>(left), &written, nullptr) || written == 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

HANDLE OpenDayFile(const LogStamp& stamp, bool* created) {
    std::wstring path = g_logFolder + LogFileName(g_filePrefix, stamp);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    // OPEN_ALWAYS leaves ERROR_ALREADY_EXISTS when the file was there, 0 when it made it.
    *created = GetLastError() == 0;
    return file;
}

bool IsFolder(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void CALLBACK PurgeTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    HgLog::PurgeOldLogs();
}

}  // namespace

bool HgLog::Init(std::wstring folder, std::wstring name, int threshold) {
    g_threshold = threshold;
    g_filePrefix = L"[" + name + L"]";
    g_logFolder = folder;
    CreateLogFolder(g_logFolder);
    g_logMutex = CreateMutexW(nullptr, FALSE, nullptr);

    time_t now = Now();
    std::wstring banner = FormatStartupBanner(CtimeText(now));
    WaitForSingleObject(g_logMutex, INFINITE);
    bool created = false;
    HANDLE file = OpenDayFile(LocalStamp(now), &created);
    if (file != INVALID_HANDLE_VALUE) {
        SetFilePointer(file, 0, nullptr, FILE_END);
        WriteText(file, banner);
        CloseHandle(file);
    }
    ReleaseMutex(g_logMutex);

    SetTimer(nullptr, kPurgeTimerId, kPurgeIntervalMs, PurgeTimerProc);
    return true;
}

bool HgLog::Write(std::wstring sourcePath, std::wstring functionName, std::wstring message,
                  int line, int level) {
    if (level == 0 || level < g_threshold)
        return false;

    time_t now = Now();
    LogStamp stamp = LocalStamp(now);
    std::wstring record = FormatLogRecord(stamp, level, sourcePath, functionName, message, line);

    WaitForSingleObject(g_logMutex, INFINITE);
    bool created = false;
    HANDLE file = OpenDayFile(stamp, &created);
    if (file == INVALID_HANDLE_VALUE) {
        ReleaseMutex(g_logMutex);
        return false;
    }
    if (created)
        WriteText(file, FormatNewFileBanner(CtimeText(now)));
    SetFilePointer(file, 0, nullptr, FILE_END);
    bool ok = WriteText(file, record);
    CloseHandle(file);
    ReleaseMutex(g_logMutex);
    return ok;
}

void HgLog::PurgeOldLogs() {
    // Built as a string, not in a fixed buffer: a deep log folder must not overrun
    // anything. A pattern too long for the search simply finds nothing.
    std::wstring pattern = g_logFolder + L"*.*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    int64_t now = static_cast<int64_t>(Now());
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        uint64_t written = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                           found.ftLastWriteTime.dwLowDateTime;
        if (IsExpiredLog(FileTimeToUnixSeconds(written), now))
            DeleteFileW((g_logFolder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool HgLog::CreateLogFolder(const std::wstring& path) {
    std::vector<std::wstring> chain;
    if (!PlanFolderChain(path, IsFolder, &chain))
        return false;
    for (const std::wstring& folder : chain)
        CreateDirectoryW(folder.c_str(), nullptr);
    return true;
}

void HgLog::SetClock(Clock clock) {
    g_clock = clock;
}

std::wstring HgLogSourcePath(const char* sourceFile) {
    std::wstring path;
    for (const char* p = sourceFile; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

bool HgLogWriteFormat(const char* sourceFile, const wchar_t* functionName, int line,
                      size_t capacity, const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    va_list args;
    va_start(args, format);
    // The C runtime's own formatter, where %s in a wide format takes a wide string.
    _vsnwprintf(buffer.data(), capacity, format, args);
    va_end(args);
    buffer[capacity] = L'\0';
    return HgLog::Write(HgLogSourcePath(sourceFile), functionName, buffer.data(), line,
                        LOG_LEVEL_DEBUG);
}
