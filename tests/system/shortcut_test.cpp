// The desktop shortcut, read back through the shell's link object.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "tests/unit/temp_folder.h"
#include "update/shortcut.h"
#include "update/userinfo.h"

namespace {

struct Link {
    bool loaded = false;
    std::wstring target, workingFolder, icon, arguments, description;
    int iconIndex = -1;
};

Link ReadLink(const std::wstring& file) {
    Link result;
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
        wchar_t text[MAX_PATH * 2];
        result.loaded = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH)))
            result.target = text;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2)))
            result.workingFolder = text;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH * 2, &result.iconIndex)))
            result.icon = text;
        if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 2)))
            result.arguments = text;
        if (SUCCEEDED(link->GetDescription(text, MAX_PATH * 2)))
            result.description = text;
    }
    if (persist)
        persist->Release();
    if (link)
        link->Release();
    return result;
}

// Sets what a user might set by hand on an existing shortcut.
bool EditByHand(const std::wstring& file, const wchar_t* arguments, const wchar_t* description) {
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    bool saved =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file.c_str(), STGM_READWRITE)) &&
        SUCCEEDED(link->SetArguments(arguments)) && SUCCEEDED(link->SetDescription(description)) &&
        SUCCEEDED(persist->Save(nullptr, TRUE));
    if (persist)
        persist->Release();
    if (link)
        link->Release();
    return saved;
}

std::wstring Desktop() {
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring ShortForm(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return length && length < MAX_PATH ? buffer : L"";
}

// A caption of its own for each test, the shortcut removed before and after, and the
// original caption restored.
class Shortcut : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        user_ = CUserInfo::GetInstance();
        savedCaption_ = user_->CaptName;
        user_->CaptName = L"Zephra加速器 测试 " + std::to_wstring(GetCurrentProcessId());
        file_ = Desktop() + L"\\" + user_->CaptName + L".lnk";
        DeleteFileW(file_.c_str());
    }
    void TearDown() override {
        DeleteFileW(file_.c_str());
        user_->CaptName = savedCaption_;
        CoUninitialize();
    }

    CUserInfo* user_ = nullptr;
    std::wstring savedCaption_;
    std::wstring file_;
};

TEST_F(Shortcut, CreateWritesTargetWorkingFolderAndShortIcon) {
    ASSERT_FALSE(Desktop().empty());
    TempFolder temp;
    const std::wstring folder = temp.Path() + L"Kivra Client Folder";
    const std::wstring target = folder + L"\\KivraClient.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(target, "MZ"));

    EXPECT_TRUE(user_->CreateDesktopShortcut(target));
    EXPECT_EQ(file_, DesktopShortcutFile(Desktop(), user_->CaptName));
    Link link = ReadLink(file_);
    ASSERT_TRUE(link.loaded) << file_;
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.workingFolder, folder);
    // The long names have a short form, and the icon is taken from it.
    const std::wstring shortTarget = ShortForm(target);
    ASSERT_FALSE(shortTarget.empty());
    EXPECT_NE(shortTarget, target);
    EXPECT_EQ(link.icon, shortTarget);
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.arguments, L"");
}

TEST_F(Shortcut, MissingTargetHasNoShortFormSoTheIconIsTheTarget) {
    const std::wstring target = L"C:\\Kivra Missing Folder\\KivraClient.exe";
    EXPECT_TRUE(user_->CreateDesktopShortcut(target));
    Link link = ReadLink(file_);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.workingFolder, L"C:\\Kivra Missing Folder");
    EXPECT_EQ(link.icon, target);
    EXPECT_EQ(link.iconIndex, 0);
}

TEST_F(Shortcut, RefreshKeepsWhatWasSetByHand) {
    TempFolder temp;
    const std::wstring oldTarget = L"C:\\Program Files\\KivraClient\\KivraClient.exe";
    ASSERT_TRUE(user_->CreateDesktopShortcut(oldTarget));
    ASSERT_TRUE(EditByHand(file_, L"--profile fast", L"my shortcut"));

    // Both the update and a second create refresh the existing file.
    const std::wstring newTarget = temp.Path() + L"KivraClient.exe";
    ASSERT_TRUE(WriteBytes(newTarget, "MZ"));
    const std::wstring secondTarget = L"C:\\Other Place\\KivraClient.exe";
    struct Step {
        const char* name;
        bool (CUserInfo::*refresh)(const std::wstring&);
        std::wstring target;
        std::wstring icon;
    };
    const Step kSteps[] = {
        {"update", &CUserInfo::UpdateDesktopShortcut, newTarget, ShortForm(newTarget)},
        {"create again", &CUserInfo::CreateDesktopShortcut, secondTarget, secondTarget},
    };
    for (const Step& step : kSteps) {
        EXPECT_TRUE((user_->*step.refresh)(step.target)) << step.name;
        Link link = ReadLink(file_);
        ASSERT_TRUE(link.loaded) << step.name;
        EXPECT_EQ(link.target, step.target) << step.name;
        EXPECT_EQ(link.workingFolder, ShortcutWorkingFolder(step.target)) << step.name;
        EXPECT_EQ(link.icon, step.icon) << step.name;
        EXPECT_EQ(link.arguments, L"--profile fast") << step.name;
        EXPECT_EQ(link.description, L"my shortcut") << step.name;
    }
}

TEST_F(Shortcut, UpdateWithoutShortcutIsTrueAndCreatesNothing) {
    EXPECT_TRUE(user_->UpdateDesktopShortcut(L"C:\\Program Files\\KivraClient\\KivraClient.exe"));
    EXPECT_FALSE(PathExists(file_));
}

TEST_F(Shortcut, CaptionThatCannotNameAFileGivesFalse) {
    for (const wchar_t* caption : {L"Kivra|Bad", L"Kivra\"Bad", L"Kivra>Bad"}) {
        user_->CaptName = caption;
        EXPECT_FALSE(user_->CreateDesktopShortcut(L"C:\\Program Files\\KivraClient\\x.exe"))
            << caption;
        EXPECT_FALSE(PathExists(Desktop() + L"\\Kivra*Bad*")) << caption;
    }
}

TEST(ShortcutWorkingFolder, IsThePathUpToItsLastSeparator) {
    struct Case {
        const wchar_t* target;
        const wchar_t* folder;
    };
    const Case kCases[] = {
        {L"D:\\Apps\\KivraClient\\KivraClient.exe", L"D:\\Apps\\KivraClient"},
        {L"D:/Apps/KivraClient/KivraClient.exe", L"D:/Apps/KivraClient"},
        {L"D:\\Apps/Kivra\\Client/KivraClient.exe", L"D:\\Apps/Kivra\\Client"},
        {L"D:/Apps\\KivraClient.exe", L"D:/Apps"},
        {L"KivraClient.exe", L"KivraClient.exe"},  // no separator: the whole path
        {L"\\KivraClient.exe", L""},
        {L"", L""},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(ShortcutWorkingFolder(c.target), c.folder) << c.target;
}

TEST(DesktopShortcutFile, IsCaptionDotLnkInTheDesktopFolder) {
    EXPECT_EQ(DesktopShortcutFile(L"C:\\Users\\u\\Desktop", L"Zephra加速器"),
              L"C:\\Users\\u\\Desktop\\Zephra加速器.lnk");
}

}  // namespace
