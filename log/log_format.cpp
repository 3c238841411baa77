#include "log/log_format.h"

#include <cwchar>

namespace {

// Difference between the Windows file-time epoch (1601) and 1970, in 100 ns units.
const uint64_t kFileTimeTo1970 = 116444736000000000ULL;
const int64_t kKeepSeconds = 604800;

std::wstring Banner(const std::wstring& ctimeText, size_t stars, size_t blanks) {
    std::wstring text;
    text += L"\r\n";
    text.append(stars, L'*');
    text += L"\r\n";
    text += L"*\r\n*";
    text.append(blanks, L' ');
    text += L"Startup Time : ";
    text += ctimeText;
    text += L"\r\n*\r\n";
    text.append(stars, L'*');
    text += L"\r\n";
    return text;
}

}  // namespace

std::wstring LogLevelText(int level) {
    switch (level) {
        case 1:
            return L"Debug";
        case 2:
            return L"Info ";
        case 3:
            return L"Warn ";
        case 4:
            return L"Error";
        case 5:
            return L"Fatal";
        default:
            return L"";
    }
}

std::wstring LogFileName(const std::wstring& prefix, const LogStamp& stamp) {
    wchar_t date[24];
    std::swprintf(date, 24, L"%d-%02d-%02d.log", stamp.year, stamp.month, stamp.day);
    return prefix + date;
}

std::wstring FormatLogRecord(const LogStamp& stamp, int level, const std::wstring& sourcePath,
                             const std::wstring& functionName, const std::wstring& message,
                             int line) {
    wchar_t when[49];
    std::swprintf(when, 49, L"%d-%02d-%02d %02d:%02d:%02d -->> ", stamp.year, stamp.month,
                  stamp.day, stamp.hour, stamp.minute, stamp.second);
    wchar_t lineText[16];
    std::swprintf(lineText, 16, L"%d", line);

    std::wstring record = L"Time: ";
    record += when;
    record += L" LogLevel: ";
    record += LogLevelText(level);
    record += L" -->> FileName: ";
    record += sourcePath;
    record += L" -->> FunctionName: ";
    record += functionName;
    record += L" -->> Line: ";
    record += lineText;
    record += L"\r\n-->> Content: ";
    record += message;
    record += L"\r\n";
    return record;
}

std::wstring FormatStartupBanner(const std::wstring& ctimeText) {
    return Banner(ctimeText, 103, 38);
}

std::wstring FormatNewFileBanner(const std::wstring& ctimeText) {
    return Banner(ctimeText, 96, 37);
}

int64_t FileTimeToUnixSeconds(uint64_t fileTime) {
    return (static_cast<int64_t>(fileTime) - static_cast<int64_t>(kFileTimeTo1970)) / 10000000;
}

bool IsExpiredLog(int64_t fileSeconds, int64_t nowSeconds) {
    return nowSeconds - fileSeconds > kKeepSeconds;
}

bool PlanFolderChain(const std::wstring& path,
                     const std::function<bool(const std::wstring&)>& isFolder,
                     std::vector<std::wstring>* chain) {
    std::vector<std::wstring> pending;  // innermost first; reversed at the end
    pending.push_back(path);

    std::wstring t = path;
    size_t pos = t.rfind(L'\\');
    bool metFolder = false;
    while (pos != std::wstring::npos && pos > 0) {
        t.resize(pos);
        if (isFolder(t)) {
            metFolder = true;
            break;
        }
        pending.push_back(t);
        pos = t.rfind(L'\\');
    }

    // Ran out of backslashes: what is left must be a drive, or the path is relative
    // and nothing is created.
    if (!metFolder && pos == std::wstring::npos) {
        if (t.empty() || t.back() != L':') {
            chain->clear();
            return false;
        }
    }

    chain->assign(pending.rbegin(), pending.rend());
    return true;
}
