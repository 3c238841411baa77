// Which mode each command line selects, and with which client type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/run_mode.h"

namespace {

TEST(RunMode, CommandLines) {
    struct Case {
        std::vector<std::wstring> args;  // without the program path
        RunMode mode;
        int clientTypeId;
        int updateMode;
    };
    const Case kCases[] = {
        {{}, RunMode::Window, 0, 0},
        {{L"QN"}, RunMode::DefaultInstall, 0, 0},
        {{L"QN", L"711"}, RunMode::DefaultInstall, 0, 0},  // QN is tested first
        {{L"qn"}, RunMode::Window, 0, 1},                  // exact and case-sensitive
        {{L"QN "}, RunMode::Window, 0, 1},
        {{L"QN x"}, RunMode::Window, 0, 1},
        {{L"5", L"711"}, RunMode::SilentUpdate, 5, 0},
        {{L"abc", L"711"}, RunMode::SilentUpdate, 0, 0},
        {{L"5", L"  711"}, RunMode::SilentUpdate, 5, 0},  // leading blanks are skipped
        {{L"5", L"+711"}, RunMode::SilentUpdate, 5, 0},
        {{L"5", L"711abc"}, RunMode::SilentUpdate, 5, 0},  // digits up to the first non-digit
        {{L"-2", L"711", L"extra"}, RunMode::SilentUpdate, -2, 0},
        {{L"5", L"712"}, RunMode::Window, 5, 1},
        {{L"5", L"x"}, RunMode::Window, 5, 1},
        {{L"5", L"4294967007"}, RunMode::Window, 5, 1},  // 711 + 2^32 does not wrap to 711
        {{L"5"}, RunMode::Window, 5, 1},
        {{L"-3"}, RunMode::Window, -3, 1},
        {{L"0"}, RunMode::Window, 0, 1},
        {{L"abc"}, RunMode::Window, 0, 1},
        {{L"7", L"8", L"711"}, RunMode::Window, 7, 1},  // only argument 2 counts
    };
    for (const Case& c : kCases) {
        std::vector<std::wstring> args = {L"C:\\k\\Update.exe"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::wstring shown;
        for (const std::wstring& a : c.args)
            shown += L"[" + a + L"]";
        RunModeChoice choice = ChooseRunMode(args);
        EXPECT_EQ(choice.mode, c.mode) << shown;
        EXPECT_EQ(choice.clientTypeId, c.clientTypeId) << shown;
        EXPECT_EQ(choice.updateMode, c.updateMode) << shown;
    }
}

TEST(RunMode, DecimalValues) {
    struct Case {
        const wchar_t* text;
        int value;
    };
    const Case kCases[] = {
        {L"12abc", 12},
        {L"abc", 0},
        {L"", 0},
        {L"  -7", -7},
        {L"\t+3", 3},
        {L"99999999999", 2147483647},
        {L"-99999999999", -2147483647 - 1},
        {L"0x10", 0},
        {L"7 1 1", 7},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(DecimalValue(c.text), c.value) << c.text;
}

}  // namespace
