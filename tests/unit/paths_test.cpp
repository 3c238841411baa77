// PathExists, DirectoryExists and CreatePath on the real file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/unit/temp_folder.h"
#include "update/userinfo.h"

namespace {

bool IsFolderOnDisk(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Paths, ExistsAndDirectoryExists) {
    TempFolder temp;
    const std::wstring folder = temp.Path() + L"dir";
    const std::wstring file = temp.Path() + L"file.txt";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(file, "x"));

    EXPECT_TRUE(PathExists(folder));
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(PathExists(temp.Path() + L"*.txt"));  // wildcards allowed
    EXPECT_FALSE(PathExists(temp.Path() + L"*.dll"));
    EXPECT_FALSE(PathExists(temp.Path() + L"missing"));

    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(DirectoryExists(folder + L"\\"));  // a trailing backslash never matches
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DirectoryExists(temp.Path() + L"missing"));

    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_TRUE(DirectoryExists(windows));
    EXPECT_FALSE(DirectoryExists(std::wstring(windows) + L"\\"));
}

TEST(Paths, CreatePathBuildsEveryMissingFolder) {
    TempFolder temp;
    const std::wstring target = temp.Path() + L"A\\B\\C\\";
    EXPECT_TRUE(CreatePath(target));
    EXPECT_TRUE(IsFolderOnDisk(temp.Path() + L"A"));
    EXPECT_TRUE(IsFolderOnDisk(temp.Path() + L"A\\B"));
    EXPECT_TRUE(IsFolderOnDisk(temp.Path() + L"A\\B\\C"));
    EXPECT_TRUE(CreatePath(target));  // everything there already: still true
}

TEST(Paths, CreatePathRefusesRelativePaths) {
    TempFolder temp;
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));
    EXPECT_FALSE(CreatePath(L"A\\B\\"));
    EXPECT_FALSE(IsFolderOnDisk(temp.Path() + L"A"));

    // Below an existing folder a relative path works.
    ASSERT_TRUE(CreateDirectoryW((temp.Path() + L"R").c_str(), nullptr));
    EXPECT_TRUE(CreatePath(L"R\\S\\"));
    EXPECT_TRUE(IsFolderOnDisk(temp.Path() + L"R\\S"));
    SetCurrentDirectoryW(previous);
}

TEST(Paths, CreatePathWithAFileInTheWay) {
    TempFolder temp;
    ASSERT_TRUE(WriteBytes(temp.Path() + L"F", "file"));
    // The walk finds no folder named F and goes on to the existing parent; creating
    // F fails quietly and the folders below it cannot be made.
    EXPECT_TRUE(CreatePath(temp.Path() + L"F\\G\\"));
    EXPECT_FALSE(IsFolderOnDisk(temp.Path() + L"F\\G"));
    EXPECT_EQ(ReadBytes(temp.Path() + L"F"), "file");
}

}  // namespace
