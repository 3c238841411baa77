// HgLog against the real file system: what lands on disk, when the new-file banner
// appears, the threshold, dropped records and the hourly clean-up.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <string>

#include "log/hglog.h"
#include "log/log_format.h"
#include "tests/unit/temp_folder.h"

namespace {

time_t g_now = 0;
time_t TestClock() {
    return g_now;
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

class HgLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = LocalTime(2024, 5, 6, 7, 8, 9);
        HgLog::SetClock(TestClock);
        logFolder_ = temp_.Path() + L"Data\\Log\\";
    }
    void TearDown() override { HgLog::SetClock(nullptr); }

    std::wstring DayFile(const wchar_t* date) const {
        return logFolder_ + L"[kivra]" + date + L".log";
    }

    TempFolder temp_;
    std::wstring logFolder_;
};

const std::wstring kStartupCtime = L"Mon May 06 07:08:09 2024\n";

TEST_F(HgLogTest, InitCreatesFolderAndWritesStartupBanner) {
    ASSERT_TRUE(HgLog::Init(logFolder_, L"kivra", 0));
    // UTF-16 LE, no byte-order mark, the start-up banner and nothing else.
    EXPECT_EQ(ReadBytes(DayFile(L"2024-05-06")), Utf16Le(FormatStartupBanner(kStartupCtime)));
}

TEST_F(HgLogTest, RecordsAppendAfterTheBanner) {
    HgLog::Init(logFolder_, L"kivra", 0);
    ASSERT_TRUE(HgLog::Write(L"update\\userinfo.cpp", L"CUserInfo::CUserInfo", L"one", 7, 1));
    g_now += 61;
    ASSERT_TRUE(HgLog::Write(L"src", L"Fn", L"two\n", 8, 5));

    std::wstring expected = FormatStartupBanner(kStartupCtime);
    expected +=
        L"Time: 2024-05-06 07:08:09 -->>  LogLevel: Debug -->> FileName: "
        L"update\\userinfo.cpp -->> FunctionName: CUserInfo::CUserInfo -->> Line: 7"
        L"\r\n-->> Content: one\r\n";
    expected +=
        L"Time: 2024-05-06 07:09:10 -->>  LogLevel: Fatal -->> FileName: src -->> "
        L"FunctionName: Fn -->> Line: 8\r\n-->> Content: two\n\r\n";
    EXPECT_EQ(ReadBytes(DayFile(L"2024-05-06")), Utf16Le(expected));
}

TEST_F(HgLogTest, FirstRecordOfANewDayFileGetsTheNewFileBanner) {
    HgLog::Init(logFolder_, L"kivra", 0);
    g_now = LocalTime(2024, 5, 7, 0, 0, 1);  // past midnight
    ASSERT_TRUE(HgLog::Write(L"s", L"f", L"after midnight", 3, 1));
    ASSERT_TRUE(HgLog::Write(L"s", L"f", L"again", 4, 1));

    std::wstring expected = FormatNewFileBanner(L"Tue May 07 00:00:01 2024\n");
    expected += FormatLogRecord({2024, 5, 7, 0, 0, 1}, 1, L"s", L"f", L"after midnight", 3);
    expected += FormatLogRecord({2024, 5, 7, 0, 0, 1}, 1, L"s", L"f", L"again", 4);
    EXPECT_EQ(ReadBytes(DayFile(L"2024-05-07")), Utf16Le(expected));
}

TEST_F(HgLogTest, ThresholdFiltersWithoutTouchingTheFile) {
    HgLog::Init(logFolder_, L"kivra", 3);
    const std::string before = ReadBytes(DayFile(L"2024-05-06"));
    EXPECT_FALSE(HgLog::Write(L"s", L"f", L"debug", 1, 1));
    EXPECT_FALSE(HgLog::Write(L"s", L"f", L"info", 1, 2));
    EXPECT_EQ(ReadBytes(DayFile(L"2024-05-06")), before);
    EXPECT_TRUE(HgLog::Write(L"s", L"f", L"warn", 1, 3));

    HgLog::Init(logFolder_, L"kivra", 0);
    EXPECT_FALSE(HgLog::Write(L"s", L"f", L"level zero is never written", 1, 0));
    EXPECT_TRUE(HgLog::Write(L"s", L"f", L"level seven", 1, 7));
    EXPECT_NE(ReadBytes(DayFile(L"2024-05-06")).find(Utf16Le(L" LogLevel:  -->> FileName: s")),
              std::string::npos);
}

TEST_F(HgLogTest, RecordIsDroppedWhileAnotherWriterHoldsTheFile) {
    HgLog::Init(logFolder_, L"kivra", 0);
    HANDLE held = CreateFileW(DayFile(L"2024-05-06").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(HgLog::Write(L"s", L"f", L"dropped", 1, 1));
    CloseHandle(held);
    EXPECT_TRUE(HgLog::Write(L"s", L"f", L"kept", 1, 1));
    const std::string bytes = ReadBytes(DayFile(L"2024-05-06"));
    EXPECT_EQ(bytes.find(Utf16Le(L"dropped")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16Le(L"kept")), std::string::npos);
}

TEST_F(HgLogTest, UncreatableFolderDropsRecordsWithoutFailing) {
    // A file stands where the log folder should be.
    ASSERT_TRUE(WriteBytes(temp_.Path() + L"Data", "not a folder"));
    EXPECT_TRUE(HgLog::Init(logFolder_, L"kivra", 0));
    EXPECT_FALSE(HgLog::Write(L"s", L"f", L"nowhere to go", 1, 1));
    EXPECT_EQ(ReadBytes(temp_.Path() + L"Data"), "not a folder");
}

TEST_F(HgLogTest, CreateLogFolderRefusesRelativePaths) {
    EXPECT_TRUE(HgLog::CreateLogFolder(temp_.Path() + L"a\\b\\c\\"));
    EXPECT_NE(GetFileAttributesW((temp_.Path() + L"a\\b\\c").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(HgLog::CreateLogFolder(L"kivra-relative-log-folder\\Log\\"));
    EXPECT_EQ(GetFileAttributesW(L"kivra-relative-log-folder"), INVALID_FILE_ATTRIBUTES);
}

void SetLastWrite(const std::wstring& path, time_t when) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    uint64_t ticks = static_cast<uint64_t>(when) * 10000000ULL + 116444736000000000ULL;
    FILETIME ft = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &ft));
    CloseHandle(file);
}

TEST_F(HgLogTest, PurgeDeletesFilesOlderThanSevenDays) {
    HgLog::Init(logFolder_, L"kivra", 0);
    const std::wstring kept = logFolder_ + L"[kivra]2024-04-29.log";
    const std::wstring old = logFolder_ + L"[kivra]2024-04-28.log";
    const std::wstring other = logFolder_ + L"notes.txt";  // any name is affected
    const std::wstring folder = logFolder_ + L"sub";
    ASSERT_TRUE(WriteBytes(kept, "k"));
    ASSERT_TRUE(WriteBytes(old, "o"));
    ASSERT_TRUE(WriteBytes(other, "n"));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folder + L"\\inside.log", "i"));
    SetLastWrite(kept, g_now - 604800);
    SetLastWrite(old, g_now - 604801);
    SetLastWrite(other, g_now - 30 * 86400);
    SetLastWrite(folder + L"\\inside.log", g_now - 30 * 86400);

    HgLog::PurgeOldLogs();

    EXPECT_EQ(ReadBytes(kept), "k");
    EXPECT_EQ(GetFileAttributesW(old.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadBytes(folder + L"\\inside.log"), "i");  // folders are left alone
    EXPECT_FALSE(ReadBytes(DayFile(L"2024-05-06")).empty());
}

TEST_F(HgLogTest, PurgeOfAVeryLongFolderDoesNothingHarmful) {
    std::wstring deep = temp_.Path();
    while (deep.size() < 300)
        deep += L"abcdefghij\\";
    const std::wstring bystander = temp_.Path() + L"old.log";
    ASSERT_TRUE(WriteBytes(bystander, "b"));
    SetLastWrite(bystander, g_now - 30 * 86400);
    HgLog::Init(deep, L"kivra", 0);
    HgLog::PurgeOldLogs();  // the pattern is too long to search: nothing happens
    EXPECT_EQ(ReadBytes(bystander), "b");
}

TEST_F(HgLogTest, FormattedWriteTakesWideStringsAndIsBounded) {
    HgLog::Init(logFolder_, L"kivra", 0);
    ASSERT_TRUE(HgLogWriteFormat("update/userinfo.cpp", L"Fn", 12, 1024, L"%d:%s", 5, L"宽字符"));
    std::wstring longText(5000, L'x');
    ASSERT_TRUE(HgLogWriteFormat("a/b.cpp", L"Fn", 13, 1024, L"%s", longText.c_str()));
    const std::string bytes = ReadBytes(DayFile(L"2024-05-06"));
    EXPECT_NE(bytes.find(Utf16Le(L"FileName: update\\userinfo.cpp -->> FunctionName: Fn -->> "
                                 L"Line: 12\r\n-->> Content: 5:宽字符\r\n")),
              std::string::npos);
    EXPECT_NE(bytes.find(Utf16Le(L"Content: " + std::wstring(1024, L'x') + L"\r\n")),
              std::string::npos);
    EXPECT_EQ(bytes.find(Utf16Le(std::wstring(1025, L'x'))), std::string::npos);
}

}  // namespace
