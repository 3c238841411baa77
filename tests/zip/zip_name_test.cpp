// Entry names and result texts: the pure parts of the archive reader.
#include <gtest/gtest.h>

#include <string>

#include "zip/zip_name.h"
#include "zip/zip_result.h"

TEST(ZipName, SanitisedNamesNeverClimbAboveTheRoot) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* described;
    };
    const Case kCases[] = {
        {L"tools/../x.dll", L"x.dll"},
        {L"a/../../x.dll", L"x.dll"},
        {L"C:\\dir\\a.txt", L"dir\\a.txt"},
        {L"/abs/b.txt", L"abs/b.txt"},
        {L"../c.txt", L"c.txt"},
        {L"..\\d.txt", L"d.txt"},
        {L"..", L""},
        {L"../..", L""},
        {L"a/b/../../../c", L"c"},
        {L"a\\..\\b", L"b"},
        {L"a\\../b", L"b"},
        {L"a/..\\b", L"b"},
        {L"\\\\server\\share\\f", L"server\\share\\f"},
        {L"C:..\\x", L"x"},
        {L"C:/../../x", L"x"},
        {L"plugins/a.dll", L"plugins/a.dll"},
        {L"...\\dots", L"...\\dots"},
        {L"a..b/c", L"a..b/c"},
        {L"x/..", L"x/.."},
        {L"", L""},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(SanitiseZipName(c.stored), c.described)
            << "stored: " << testing::PrintToString(std::wstring(c.stored));
}

TEST(ZipName, ParentComponentsAndAbsolutePaths) {
    struct Case {
        const wchar_t* path;
        bool parent;
        bool absolute;
    };
    const Case kCases[] = {
        {L"a/../b", true, false}, {L"..\\x", true, false},          {L"..", true, false},
        {L"a/..", true, false},   {L"...", false, false},           {L"a..b/c", false, false},
        {L"..a/b", false, false}, {L"plugins/a.dll", false, false}, {L"\\abs", false, true},
        {L"/abs", false, true},   {L"C:\\x", false, true},          {L"C:x", false, true},
        {L"", false, false},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(HasParentComponent(c.path), c.parent)
            << testing::PrintToString(std::wstring(c.path));
        EXPECT_EQ(IsAbsoluteZipPath(c.path), c.absolute)
            << testing::PrintToString(std::wstring(c.path));
    }
}

TEST(ZipName, DecodesUtf8WhateverTheFlagSays) {
    struct Case {
        std::string stored;
        std::wstring decoded;
    };
    const Case kCases[] = {
        {"plain/ascii.txt", L"plain/ascii.txt"},
        {"\xE4\xB8\xAD\xE6\x96\x87/\xE8\xAF\xB4\xE6\x98\x8E.txt", L"\x4E2D\x6587/\x8BF4\x660E.txt"},
        {"caf\xC3\xA9", L"caf\x00E9"},
        {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},  // outside the BMP: a surrogate pair
        {"a\xFF"
         "b",
         L"a\xFFFD"
         L"b"},                                    // not UTF-8
        {"a\xE4\xB8", L"a\xFFFD"},                 // cut short
        {"\xC0\xAF", L"\xFFFD\xFFFD"},             // over-long encoding of '/'
        {"\xED\xA0\x80", L"\xFFFD"},               // an encoded surrogate
        {std::string("cut\0hidden", 10), L"cut"},  // a NUL ends the name
    };
    for (const Case& c : kCases)
        EXPECT_EQ(DecodeZipName(c.stored.data(), c.stored.size()), c.decoded)
            << testing::PrintToString(c.stored);
}

TEST(ZipResultText, CopiesWhatFitsAndReturnsTheFullLength) {
    wchar_t buffer[10];
    EXPECT_EQ(DescribeZipResult(0x700, buffer, 10), 35u);
    EXPECT_STREQ(buffer, L"Zipfile i");

    wchar_t big[80];
    struct Case {
        ZipResult code;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {0, L"Success"},
        {0x100, L"Culdn't duplicate handle"},
        {0x200, L"Couldn't create/open file"},
        {0x1000, L"Correct password required"},
        {0x10000, L"Caller: faulty arguments"},
        {0x80000, L"Caller: mixing creation and opening of zip"},
        {0x5000000, L"Zip-bug: an internal error during flation"},
        {0x12345, L"unknown zip result code"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(DescribeZipResult(c.code, big, 80), std::wstring(c.text).size()) << c.code;
        EXPECT_STREQ(big, c.text) << c.code;
    }

    // No buffer, or no room: only the length.
    EXPECT_EQ(DescribeZipResult(0x400, nullptr, 50), 21u);
    buffer[0] = L'#';
    EXPECT_EQ(DescribeZipResult(0x400, buffer, 0), 21u);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(DescribeZipResult(0x400, buffer, 1), 21u);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(ZipResultText, CodeOneStandsForTheLastResult) {
    wchar_t buffer[64];
    SetZipResult(0x800);
    EXPECT_EQ(DescribeZipResult(1, buffer, 64), 18u);
    EXPECT_STREQ(buffer, L"Error reading file");
    SetZipResult(0);
}
