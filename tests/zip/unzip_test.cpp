// The archive reader through its public operations, on fixture archives written by
// make_fixtures.py, extracting into a fresh temporary folder.
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/unit/temp_folder.h"
#include "zip/unzip.h"

namespace {

std::wstring FixturePath(const wchar_t* name) {
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"fixtures\\" + name;
}

// An open archive, released at the end of the scope.
class Archive {
public:
    explicit Archive(const wchar_t* fixture) : handle_(OpenZip(FixturePath(fixture).c_str())) {}
    ~Archive() {
        if (handle_)
            ReleaseZip(handle_);
    }
    ZipHandle get() const { return handle_; }
    int Count() const {
        ZipEntryInfo ze;
        ReadZipEntry(handle_, -1, &ze);
        return ze.index;
    }
    // Index of the entry with this described name, or -1.
    int Find(const std::wstring& name) const {
        ZipEntryInfo ze;
        for (int i = 0; i < Count(); ++i)
            if (ReadZipEntry(handle_, i, &ze) == 0 && name == ze.name)
                return i;
        return -1;
    }
    ZipEntryInfo Entry(int index) const {
        ZipEntryInfo ze = {};
        EXPECT_EQ(ReadZipEntry(handle_, index, &ze), 0u) << index;
        return ze;
    }

private:
    ZipHandle handle_;
};

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Names in a folder, without "." and "..".
std::vector<std::wstring> List(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

uint32_t Crc(const std::string& bytes) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

uint64_t FileTimeValue(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

uint64_t UnixToFileTime(int64_t t) {
    return static_cast<uint64_t>(t * 10000000LL + 116444736000000000LL);
}

// The local wall-clock time that a UTC file time shows.
SYSTEMTIME LocalParts(uint64_t utc) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(utc);
    ft.dwHighDateTime = static_cast<DWORD>(utc >> 32);
    SYSTEMTIME u = {}, local = {};
    FileTimeToSystemTime(&ft, &u);
    SystemTimeToTzSpecificLocalTime(nullptr, &u, &local);
    return local;
}

const uint32_t kBigCrc = 0xE91DB97F;  // deflated.bin: 100,000 bytes of generated text

// What every variant of the basic package holds.
struct Expected {
    const wchar_t* name;
    const wchar_t* file;  // where it lands under the root; null for a folder
    int size;
    uint32_t crc;
};
const Expected kBasic[] = {
    {L"plain.txt", L"plain.txt", 14, 0x3D259D6B},
    {L"deflated.bin", L"deflated.bin", 100000, kBigCrc},
    {L"empty.txt", L"empty.txt", 0, 0},
    {L"data/", nullptr, 0, 0},
    {L"plugins/a.dll", L"plugins\\a.dll", 500, 0x206FA34A},
    {L"nested/deep/x.txt", L"nested\\deep\\x.txt", 15, 0x9417D7DA},
    {L"nested\\back\\y.txt", L"nested\\back\\y.txt", 12, 0xDB5ACEB8},
    {L"\x4E2D\x6587/\x8BF4\x660E.txt", L"\x4E2D\x6587\\\x8BF4\x660E.txt", 12, 0xBC569CAA},
};

}  // namespace

TEST(Unzip, EveryVariantOfThePackageDescribesAndExtractsTheSame) {
    // Junk in front, a 2,000-byte comment, data descriptors, a UTF-8 name without
    // its flag: all the same package.
    const wchar_t* kArchives[] = {L"basic.zip", L"junk_in_front.zip", L"long_comment.zip",
                                  L"data_descriptor.zip", L"utf8_no_flag.zip"};
    for (const wchar_t* fixture : kArchives) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(fixture)));
        TempFolder temp;
        Archive zip(fixture);
        ASSERT_NE(zip.get(), nullptr) << LastZipResult;
        EXPECT_EQ(LastZipResult, 0u);
        ASSERT_EQ(SetZipRoot(zip.get(), temp.Path().c_str()), 0u);
        ASSERT_EQ(zip.Count(), 8);
        for (int i = 0; i < 8; ++i) {
            const Expected& e = kBasic[i];
            ZipEntryInfo ze = zip.Entry(i);
            EXPECT_EQ(ze.index, i);
            EXPECT_STREQ(ze.name, e.name);
            EXPECT_EQ(ze.uncompressedSize, e.size) << i;
            EXPECT_EQ(UnzipItem(zip.get(), i, ze.name), 0u) << i;
            if (e.file) {
                std::string bytes = ReadBytes(temp.Path() + e.file);
                EXPECT_EQ(static_cast<int>(bytes.size()), e.size) << i;
                EXPECT_EQ(Crc(bytes), e.crc) << i;
            } else {
                EXPECT_TRUE(IsFolder(temp.Path() + L"data")) << i;
            }
        }
        EXPECT_EQ(ReadBytes(temp.Path() + L"plain.txt"), "stored bytes\r\n");
        // Nothing but the package's own files and folders, no temporary leftovers.
        std::vector<std::wstring> top = List(temp.Path());
        EXPECT_EQ(top.size(), 7u) << testing::PrintToString(top);
    }
}

TEST(Unzip, FolderEntryCreatesFoldersOnlyAndCountQueryIsEmpty) {
    TempFolder temp;
    Archive zip(L"basic.zip");
    ASSERT_NE(zip.get(), nullptr);
    SetZipRoot(zip.get(), (temp.Path() + L"client").c_str());  // separator added, root created
    ZipEntryInfo ze = zip.Entry(3);
    EXPECT_EQ(ze.attributes & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(UnzipItem(zip.get(), 3, ze.name), 0u);
    EXPECT_TRUE(IsFolder(temp.Path() + L"client\\data"));
    EXPECT_TRUE(List(temp.Path() + L"client\\data\\").empty());

    ze.index = 99;
    ze.attributes = 7;
    ASSERT_EQ(ReadZipEntry(zip.get(), -1, &ze), 0u);
    EXPECT_EQ(ze.index, 8);
    EXPECT_STREQ(ze.name, L"");
    EXPECT_EQ(ze.attributes, 0u);
    EXPECT_EQ(ze.writeTime, 0u);
    EXPECT_EQ(ze.compressedSize, 0);
}

TEST(Unzip, BadIndexesHandlesAndArchives) {
    Archive zip(L"basic.zip");
    ASSERT_NE(zip.get(), nullptr);
    ZipEntryInfo ze;
    ze.index = 5;
    ze.name[0] = L'x';
    ze.uncompressedSize = 5;
    EXPECT_EQ(ReadZipEntry(zip.get(), 8, &ze), 0x10000u);
    EXPECT_EQ(ze.index, 0);
    EXPECT_EQ(ze.name[0], L'\0');
    EXPECT_EQ(ze.uncompressedSize, 0);
    EXPECT_EQ(ReadZipEntry(zip.get(), -2, &ze), 0x10000u);
    EXPECT_EQ(LastZipResult, 0x10000u);
    EXPECT_EQ(UnzipItem(zip.get(), 8, L"x.txt"), 0x10000u);
    EXPECT_EQ(UnzipItem(zip.get(), -1, L"x.txt"), 0x10000u);

    EXPECT_EQ(ReadZipEntry(nullptr, 0, &ze), 0x10000u);
    EXPECT_EQ(UnzipItem(nullptr, 0, L"x"), 0x10000u);
    EXPECT_EQ(SetZipRoot(nullptr, L"C:\\"), 0x10000u);
    EXPECT_EQ(ReleaseZip(nullptr), 0x10000u);
    ZipHandleRecord other = {2, zip.get()->state};
    EXPECT_EQ(ReadZipEntry(&other, 0, &ze), 0x80000u);
    EXPECT_EQ(ReleaseZip(&other), 0x80000u);

    const wchar_t* kUnopenable[] = {L"missing.zip", L"not_a_zip.zip", L"truncated.zip"};
    for (const wchar_t* fixture : kUnopenable) {
        SetZipResult(0);
        EXPECT_EQ(OpenZip(FixturePath(fixture).c_str()), nullptr) << fixture;
        EXPECT_EQ(LastZipResult, 0x200u) << fixture;
    }
    wchar_t text[64];
    EXPECT_EQ(DescribeZipResult(1, text, 64), 25u);
    EXPECT_STREQ(text, L"Couldn't create/open file");
}

TEST(Unzip, AttributesFollowTheHostThatMadeTheEntry) {
    Archive zip(L"attributes.zip");
    ASSERT_NE(zip.get(), nullptr);
    struct Case {
        const wchar_t* name;
        uint32_t attributes;
    };
    const Case kCases[] = {
        {L"fat_ro_hidden.txt", 0x01 | 0x02 | 0x20},
        {L"fat_system.txt", 0x04},
        {L"fat_dir/", 0x10},
        {L"ntfs_archive.txt", 0x20},  // bits beyond the five are not taken
        {L"unix_rw.txt", 0x20},
        {L"unix_ro.txt", 0x20 | 0x01},
        {L"unix_dir/", 0x10 | 0x20},
    };
    ASSERT_EQ(zip.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        ZipEntryInfo ze = zip.Entry(i);
        EXPECT_STREQ(ze.name, kCases[i].name);
        EXPECT_EQ(ze.attributes, kCases[i].attributes) << i;
    }

    // The written file carries them.
    TempFolder temp;
    SetZipRoot(zip.get(), temp.Path().c_str());
    ASSERT_EQ(UnzipItem(zip.get(), 0, L"fat_ro_hidden.txt"), 0u);
    DWORD a = GetFileAttributesW((temp.Path() + L"fat_ro_hidden.txt").c_str());
    EXPECT_EQ(a & 0x07, 0x03u);
    ASSERT_EQ(UnzipItem(zip.get(), 4, L"unix_rw.txt"), 0u);
    a = GetFileAttributesW((temp.Path() + L"unix_rw.txt").c_str());
    EXPECT_EQ(a & 0x07, 0u);
}

TEST(Unzip, DosTimeIsLocalTimeAndTheUtBlockOverridesEachTimeItCarries) {
    Archive zip(L"times.zip");
    ASSERT_NE(zip.get(), nullptr);
    ZipEntryInfo dos = zip.Entry(0);
    EXPECT_EQ(dos.accessTime, dos.writeTime);
    EXPECT_EQ(dos.creationTime, dos.writeTime);
    SYSTEMTIME local = LocalParts(dos.writeTime);
    EXPECT_EQ(local.wYear, 2021);
    EXPECT_EQ(local.wMonth, 6);
    EXPECT_EQ(local.wDay, 15);
    EXPECT_EQ(local.wHour, 13);
    EXPECT_EQ(local.wMinute, 45);
    EXPECT_EQ(local.wSecond, 30);

    const uint64_t write = UnixToFileTime(1646370367);
    ZipEntryInfo one = zip.Entry(1);
    EXPECT_EQ(one.writeTime, write);
    EXPECT_EQ(one.accessTime, dos.writeTime);
    EXPECT_EQ(one.creationTime, dos.writeTime);

    ZipEntryInfo all = zip.Entry(2);
    EXPECT_EQ(all.writeTime, write);
    EXPECT_EQ(all.accessTime, UnixToFileTime(1646370367 + 3600));
    EXPECT_EQ(all.creationTime, UnixToFileTime(1646370367 - 86400));

    TempFolder temp;
    SetZipRoot(zip.get(), temp.Path().c_str());
    ASSERT_EQ(UnzipItem(zip.get(), 2, all.name), 0u);
    HANDLE file = CreateFileW((temp.Path() + all.name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME c, a, w;
    GetFileTime(file, &c, &a, &w);
    CloseHandle(file);
    EXPECT_EQ(FileTimeValue(w), write);
}

// A broken entry "target.bin" beside "good.txt": the code, the previous file kept,
// no temporary file left behind, and the good entry still fine.
TEST(Unzip, FailedEntryKeepsThePreviousFileAndLeavesNothingBehind) {
    struct Case {
        const wchar_t* fixture;
        ZipResult describe;
        ZipResult extract;
    };
    const Case kCases[] = {
        {L"bad_crc.zip", 0, 0x700},
        {L"bad_crc_stored.zip", 0, 0x700},
        {L"size_too_big.zip", 0, 0x700},
        {L"size_too_small.zip", 0, 0x700},
        {L"bad_deflate.zip", 0, 0x5000000},
        {L"cut_deflate.zip", 0, 0x5000000},
        {L"local_mismatch.zip", 0x700, 0x5000000},
        {L"encrypted.zip", 0, 0x1000},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.fixture)));
        TempFolder temp;
        Archive zip(c.fixture);
        ASSERT_NE(zip.get(), nullptr);
        SetZipRoot(zip.get(), temp.Path().c_str());
        ASSERT_EQ(zip.Count(), 2);
        ZipEntryInfo ze;
        EXPECT_EQ(ReadZipEntry(zip.get(), 1, &ze), c.describe);

        // Nothing there before: nothing there after.
        EXPECT_EQ(UnzipItem(zip.get(), 1, L"target.bin"), c.extract);
        EXPECT_EQ(LastZipResult, c.extract);
        EXPECT_TRUE(List(temp.Path()).empty()) << testing::PrintToString(List(temp.Path()));

        // An installed file survives the failed entry untouched.
        ASSERT_TRUE(WriteBytes(temp.Path() + L"target.bin", "installed"));
        EXPECT_EQ(UnzipItem(zip.get(), 1, L"target.bin"), c.extract);
        EXPECT_TRUE(ReadBytes(temp.Path() + L"target.bin") == "installed");
        EXPECT_EQ(List(temp.Path()).size(), 1u) << testing::PrintToString(List(temp.Path()));

        EXPECT_EQ(UnzipItem(zip.get(), 0, L"good.txt"), 0u);
        EXPECT_EQ(ReadBytes(temp.Path() + L"good.txt"), "good");
    }
}

TEST(Unzip, TargetThatCannotBeReplacedGives0x200AndStaysIntact) {
    TempFolder temp;
    Archive zip(L"basic.zip");
    ASSERT_NE(zip.get(), nullptr);
    SetZipRoot(zip.get(), temp.Path().c_str());
    const std::wstring target = temp.Path() + L"deflated.bin";
    ASSERT_TRUE(WriteBytes(target, "installed"));

    // Held open by the running client, without write sharing.
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UnzipItem(zip.get(), 1, L"deflated.bin"), 0x200u);
    EXPECT_EQ(LastZipResult, 0x200u);
    CloseHandle(held);
    EXPECT_TRUE(ReadBytes(target) == "installed");
    EXPECT_EQ(List(temp.Path()).size(), 1u);

    // Read-only.
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(UnzipItem(zip.get(), 1, L"deflated.bin"), 0x200u);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(ReadBytes(target) == "installed");

    // Once released, the same call replaces it (the callers' retry).
    EXPECT_EQ(UnzipItem(zip.get(), 1, L"deflated.bin"), 0u);
    EXPECT_EQ(Crc(ReadBytes(target)), kBigCrc);
    EXPECT_EQ(List(temp.Path()).size(), 1u);
}

TEST(Unzip, NoEntryLandsOutsideTheRoot) {
    TempFolder temp;
    const std::wstring root = temp.Path() + L"client\\";
    Archive zip(L"traversal.zip");
    ASSERT_NE(zip.get(), nullptr);
    ASSERT_EQ(SetZipRoot(zip.get(), root.c_str()), 0u);
    const wchar_t* kDescribed[] = {L"evil1.txt",  L"evil2.txt", L"evil3.txt", L"abs/b.txt",
                                   L"dir\\a.txt", L"x.dll",     L""};
    ASSERT_EQ(zip.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        ZipEntryInfo ze = zip.Entry(i);
        EXPECT_STREQ(ze.name, kDescribed[i]) << i;
        UnzipItem(zip.get(), i, ze.name);
    }
    EXPECT_EQ(ReadBytes(root + L"evil1.txt"), "1");
    EXPECT_EQ(ReadBytes(root + L"abs\\b.txt"), "4");
    EXPECT_EQ(ReadBytes(root + L"dir\\a.txt"), "5");
    std::vector<std::wstring> above = List(temp.Path());
    EXPECT_EQ(above, std::vector<std::wstring>{L"client"});

    // The second line: a caller's relative target with a ".." is refused, nothing written.
    const wchar_t* kClimbing[] = {L"../out.txt", L"..\\out.txt", L"sub/../../out.txt", L".."};
    for (const wchar_t* target : kClimbing)
        EXPECT_EQ(UnzipItem(zip.get(), 0, target), 0x10000u)
            << testing::PrintToString(std::wstring(target));
    EXPECT_EQ(List(temp.Path()), std::vector<std::wstring>{L"client"});

    // An absolute target is the caller's own choice.
    const std::wstring elsewhere = temp.Path() + L"elsewhere\\e.txt";
    EXPECT_EQ(UnzipItem(zip.get(), 0, elsewhere.c_str()), 0u);
    EXPECT_EQ(ReadBytes(elsewhere), "1");
}

TEST(Unzip, NamesAndPathsBeyondTheLimitsAreRefusedNeverShortened) {
    TempFolder temp;
    Archive zip(L"long_name.zip");
    ASSERT_NE(zip.get(), nullptr);
    SetZipRoot(zip.get(), temp.Path().c_str());
    ZipEntryInfo ze;
    EXPECT_EQ(ReadZipEntry(zip.get(), 1, &ze), 0x10000u);
    EXPECT_STREQ(ze.name, L"");
    EXPECT_EQ(UnzipItem(zip.get(), 1, L"short.txt"), 0x10000u);
    EXPECT_TRUE(List(temp.Path()).empty());

    // A root that would not fit is refused and the old one stays.
    std::wstring tooLong = temp.Path() + std::wstring(300 - temp.Path().size(), L'r');
    EXPECT_EQ(SetZipRoot(zip.get(), tooLong.c_str()), 0x10000u);
    EXPECT_EQ(UnzipItem(zip.get(), 0, L"good.txt"), 0u);
    EXPECT_EQ(ReadBytes(temp.Path() + L"good.txt"), "good");

    // A root near the limit: a target that fits is written (its temporary name beside
    // it is longer than the limit), one that does not fit is refused.
    std::wstring deep = temp.Path() + std::wstring(100, L'p') + L"\\";
    CreateDirectoryW(deep.c_str(), nullptr);
    deep += std::wstring(251 - deep.size(), L'q') + L"\\";
    ASSERT_EQ(deep.size(), 252u);
    ASSERT_EQ(SetZipRoot(zip.get(), deep.c_str()), 0u);
    EXPECT_EQ(UnzipItem(zip.get(), 0, L"a/b.txt"), 0u);  // 259 characters
    EXPECT_EQ(ReadBytes(deep + L"a\\b.txt"), "good");
    EXPECT_EQ(List(deep + L"a\\"), std::vector<std::wstring>{L"b.txt"});
    EXPECT_EQ(UnzipItem(zip.get(), 0, L"a/bc.txt"), 0x10000u);  // 260
    EXPECT_FALSE(Exists(deep + L"a\\bc.txt"));
}
