// SetAutoRun and WriteUninstallInfo, read back through the registry API.
//
// The product is a 32-bit program and must land in the 32-bit view; the tests also run
// a 64-bit build, which must land in the 64-bit view. Either way: the view of the
// running build, and not the other one.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "update/userinfo.h"

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KivraClient";

bool OnWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The registry view a program of this build's bitness works in, and the other one
// (0 when Windows has only one view).
REGSAM OwnView() {
    return sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}
REGSAM OtherView() {
    if (sizeof(void*) == 4 && !OnWow64())
        return 0;
    return sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

struct Value {
    bool present = false;
    DWORD type = 0;
    std::wstring bytes;  // raw data, as wide characters
    DWORD size = 0;      // data length in bytes
};

Value ReadValue(const wchar_t* keyPath, const wchar_t* name, REGSAM view) {
    Value value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | view, &key) !=
        ERROR_SUCCESS)
        return value;
    BYTE data[4096];
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &value.type, data, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.size = size;
        value.bytes.assign(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    }
    RegCloseKey(key);
    return value;
}

// A REG_SZ value holding exactly `text`, its terminating NUL counted in the length.
void ExpectString(const Value& value, const std::wstring& text, const wchar_t* name) {
    ASSERT_TRUE(value.present) << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_EQ(value.size, (text.size() + 1) * sizeof(wchar_t)) << name;
    EXPECT_EQ(value.bytes, text + L'\0') << name;
}

DWORD ReadDword(const wchar_t* name) {
    Value value = ReadValue(kEntryKey, name, OwnView());
    EXPECT_TRUE(value.present) << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(value.size, 4u) << name;
    return value.size == 4 ? *reinterpret_cast<const DWORD*>(value.bytes.data()) : 0xFFFFFFFF;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (REGSAM view :
             {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
            HKEY run = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE | view, &run) ==
                ERROR_SUCCESS) {
                RegDeleteValueW(run, L"KivraClient");
                RegCloseKey(run);
            }
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, view, 0);
        }
    }
};

TEST_F(Registry, SetAutoRunQuotesThePathAndOverwrites) {
    CUserInfo* user = CUserInfo::GetInstance();
    EXPECT_TRUE(user->SetAutoRun(L"C:\\Old\\KivraClient.exe"));
    const std::wstring path = L"C:\\Program Files\\KivraClient\\KivraClient.exe";
    EXPECT_TRUE(user->SetAutoRun(path));

    ExpectString(ReadValue(kRunKey, L"KivraClient", OwnView()), L"\"" + path + L"\"",
                 L"Run\\KivraClient");
    if (OtherView()) {
        EXPECT_FALSE(ReadValue(kRunKey, L"KivraClient", OtherView()).present);
    }
}

TEST_F(Registry, UninstallEntryHoldsTheSixValuesOfTheLastCall) {
    ASSERT_EQ(WriteUninstallInfo(123456, L"C:\\Old\\Uninstall.exe", L"C:\\Old\\KivraClient.exe",
                                 L"KivraClient", L"Vantra", L"1.0.0.1"),
              0);
    // A value the program does not own stays through the second call.
    HKEY entry = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, KEY_SET_VALUE | OwnView(), &entry),
              ERROR_SUCCESS);
    const DWORD foreign = 7;
    RegSetValueExW(entry, L"NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&foreign),
                   sizeof(foreign));
    RegCloseKey(entry);

    const std::wstring folder = L"D:\\Apps\\KivraClient\\";
    ASSERT_EQ(WriteUninstallInfo(0, folder + L"Uninstall.exe", folder + L"KivraClient.exe",
                                 L"KivraClient", L"Vantra", L""),
              0);

    struct Case {
        const wchar_t* name;
        std::wstring text;
    };
    const Case kCases[] = {
        {L"DisplayIcon", folder + L"KivraClient.exe"},
        {L"UninstallString", folder + L"Uninstall.exe"},
        {L"DisplayName", L"KivraClient"},
        {L"DisplayVersion", L""},  // present, zero characters
        {L"Publisher", L"Vantra"},
    };
    for (const Case& c : kCases)
        ExpectString(ReadValue(kEntryKey, c.name, OwnView()), c.text, c.name);
    EXPECT_EQ(ReadDword(L"EstimatedSize"), 0u);
    EXPECT_EQ(ReadDword(L"NoModify"), foreign);
    if (OtherView()) {
        EXPECT_FALSE(ReadValue(kEntryKey, L"DisplayName", OtherView()).present);
    }
}

TEST_F(Registry, EstimatedSizeKeepsAllThirtyTwoBits) {
    ASSERT_EQ(WriteUninstallInfo(0xFFFFFFFFu, L"u", L"i", L"n", L"p", L"v"), 0);
    EXPECT_EQ(ReadDword(L"EstimatedSize"), 0xFFFFFFFFu);
}

}  // namespace
