// The log's text, byte for byte: records, level texts, file names, banners, the
// clean-up boundary and the folder walk.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "log/log_format.h"

namespace {

const LogStamp kStamp = {2024, 5, 6, 7, 8, 9};

TEST(LogFormat, RecordLayout) {
    EXPECT_EQ(
        FormatLogRecord(kStamp, 1, L"update\\userinfo.cpp", L"CUserInfo::CUserInfo", L"hello", 42),
        L"Time: 2024-05-06 07:08:09 -->>  LogLevel: Debug -->> FileName: "
        L"update\\userinfo.cpp -->> FunctionName: CUserInfo::CUserInfo -->> Line: 42"
        L"\r\n-->> Content: hello\r\n");
}

TEST(LogFormat, MessageIsWrittenUnchanged) {
    // A message ending with "\n" gives a line ending "\n\r\n"; format characters stay.
    std::wstring record = FormatLogRecord(kStamp, 1, L"a", L"f", L"50%s done\n", 1);
    const std::wstring tail = L"Content: 50%s done\n\r\n";
    EXPECT_EQ(record.substr(record.size() - tail.size()), tail);
}

TEST(LogFormat, LevelTexts) {
    struct Case {
        int level;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {0, L""},      {1, L"Debug"}, {2, L"Info "}, {3, L"Warn "}, {4, L"Error"},
        {5, L"Fatal"}, {6, L""},      {7, L""},      {-1, L""},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(LogLevelText(c.level), c.text) << "level " << c.level;

    // Above Fatal the level text is empty: "LogLevel: " runs straight into the next piece.
    std::wstring record = FormatLogRecord(kStamp, 7, L"s", L"f", L"m", 1);
    EXPECT_NE(record.find(L" LogLevel:  -->> FileName: s"), std::wstring::npos) << record;
}

TEST(LogFormat, FileNames) {
    struct Case {
        LogStamp stamp;
        const wchar_t* name;
    };
    const Case kCases[] = {
        {{2024, 5, 6, 0, 0, 0}, L"[kivra]2024-05-06.log"},
        {{2025, 12, 31, 23, 59, 59}, L"[kivra]2025-12-31.log"},
        {{999, 1, 1, 0, 0, 0}, L"[kivra]999-01-01.log"},  // the year is not padded
    };
    for (const Case& c : kCases)
        EXPECT_EQ(LogFileName(L"[kivra]", c.stamp), c.name);
}

TEST(LogFormat, Banners) {
    const std::wstring when = L"Mon May 06 07:08:09 2024\n";
    const std::wstring startup = FormatStartupBanner(when);
    EXPECT_EQ(startup, L"\r\n" + std::wstring(103, L'*') + L"\r\n*\r\n*" + std::wstring(38, L' ') +
                           L"Startup Time : Mon May 06 07:08:09 2024\n\r\n*\r\n" +
                           std::wstring(103, L'*') + L"\r\n");
    const std::wstring newFile = FormatNewFileBanner(when);
    EXPECT_EQ(newFile, L"\r\n" + std::wstring(96, L'*') + L"\r\n*\r\n*" + std::wstring(37, L' ') +
                           L"Startup Time : Mon May 06 07:08:09 2024\n\r\n*\r\n" +
                           std::wstring(96, L'*') + L"\r\n");
}

TEST(LogFormat, CleanUpBoundary) {
    const uint64_t kEpoch1970 = 116444736000000000ULL;
    EXPECT_EQ(FileTimeToUnixSeconds(kEpoch1970), 0);
    EXPECT_EQ(FileTimeToUnixSeconds(kEpoch1970 + 17ULL * 10000000ULL + 9999999ULL), 17);

    const int64_t now = 1700000000;
    EXPECT_FALSE(IsExpiredLog(now - 604800, now));  // exactly seven days: kept
    EXPECT_TRUE(IsExpiredLog(now - 604801, now));   // one second more: deleted
    EXPECT_FALSE(IsExpiredLog(now, now));
    EXPECT_FALSE(IsExpiredLog(now + 3600, now));  // written "in the future": kept
}

TEST(LogFormat, FolderWalk) {
    struct Case {
        const wchar_t* path;
        std::set<std::wstring> existing;
        bool ok;
        std::vector<std::wstring> chain;
    };
    const Case kCases[] = {
        // The walk stops at the first folder that exists.
        {L"C:\\A\\B\\C\\", {L"C:\\A"}, true, {L"C:\\A\\B", L"C:\\A\\B\\C", L"C:\\A\\B\\C\\"}},
        {L"C:\\A\\", {L"C:\\A"}, true, {L"C:\\A\\"}},
        // Nothing exists: the walk ends at the drive, which is allowed.
        {L"D:\\X\\", {}, true, {L"D:", L"D:\\X", L"D:\\X\\"}},
        // Relative: no drive at the top, nothing is created.
        {L"A\\B\\", {}, false, {}},
        {L"plain", {}, false, {}},
        // A relative path below an existing folder is fine.
        {L"A\\B\\", {L"A"}, true, {L"A\\B", L"A\\B\\"}},
        // Rooted without a drive: the walk stops at the leading backslash.
        {L"\\A\\B\\", {}, true, {L"\\A", L"\\A\\B", L"\\A\\B\\"}},
    };
    for (const Case& c : kCases) {
        std::vector<std::wstring> chain = {L"stale"};
        bool ok = PlanFolderChain(
            c.path, [&](const std::wstring& p) { return c.existing.count(p) > 0; }, &chain);
        EXPECT_EQ(ok, c.ok) << c.path;
        EXPECT_EQ(chain, c.chain) << c.path;
    }
}

}  // namespace
