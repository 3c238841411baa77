// The Windows file layer of the archive reader: the package file as a CZipSource, the
// target file as a CZipSink, folders, times, attributes and the handle API.
#include "zip/unzip.h"

#include <windows.h>

#include <cwchar>
#include <new>
#include <string>

#include "zip/zip_name.h"

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

class CZipFileSource : public CZipSource {
public:
    explicit CZipFileSource(HANDLE file) : file_(file) {}

    uint64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    int64_t Read(uint64_t offset, void* buffer, size_t n) override {
        size_t total = 0;
        while (total < n) {
            OVERLAPPED at = {};
            const uint64_t pos = offset + total;
            at.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
            at.OffsetHigh = static_cast<DWORD>(pos >> 32);
            const size_t want = n - total < 0x40000000u ? n - total : 0x40000000u;
            DWORD got = 0;
            if (!ReadFile(file_, static_cast<char*>(buffer) + total, static_cast<DWORD>(want), &got,
                          &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF)
                    break;
                return -1;
            }
            if (got == 0)
                break;
            total += got;
        }
        return static_cast<int64_t>(total);
    }

private:
    HANDLE file_;
};

class CZipFileSink : public CZipSink {
public:
    explicit CZipFileSink(HANDLE file) : file_(file) {}

    bool Write(const void* data, size_t n) override {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            const DWORD want = static_cast<DWORD>(n < 0x40000000u ? n : 0x40000000u);
            DWORD wrote = 0;
            if (!WriteFile(file_, p, want, &wrote, nullptr) || wrote == 0)
                return false;
            p += wrote;
            n -= wrote;
        }
        return true;
    }

private:
    HANDLE file_;
};

// DOS times are the packer's local time; file times are UTC. The zone rules of the
// entry's own date apply, summer time included.
uint64_t LocalFileTimeToUtc(uint64_t local) {
    FILETIME localTime;
    localTime.dwLowDateTime = static_cast<DWORD>(local & 0xFFFFFFFFu);
    localTime.dwHighDateTime = static_cast<DWORD>(local >> 32);
    SYSTEMTIME localParts, utcParts;
    FILETIME utc;
    if (!FileTimeToSystemTime(&localTime, &localParts) ||
        !TzSpecificLocalTimeToSystemTime(nullptr, &localParts, &utcParts) ||
        !SystemTimeToFileTime(&utcParts, &utc)) {
        if (!LocalFileTimeToFileTime(&localTime, &utc))
            return local;
    }
    return (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Folder paths past this length need the long form (room is kept for a short name).
const size_t kFolderPathLimit = MAX_PATH - 12;

// A full path in the form that may pass MAX_PATH: the temporary name beside a target
// near the limit can be a few characters longer than the target itself, and folders
// have a lower limit than files.
std::wstring LongPathForm(const std::wstring& path, size_t limit = MAX_PATH) {
    if (path.size() < limit)
        return path;
    std::wstring p = path;
    for (wchar_t& c : p)
        if (c == L'/')
            c = L'\\';
    if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\')
        return L"\\\\?\\" + p;
    if (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\' && (p.size() < 3 || p[2] != L'?'))
        return L"\\\\?\\UNC\\" + p.substr(2);
    return path;
}

// A new, empty, unshared file in `folder` (which ends with a separator or is empty).
HANDLE CreateTemporaryFile(const std::wstring& folder, std::wstring* path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 32; ++attempt) {
        wchar_t leaf[32];
        std::swprintf(leaf, 32, L"~kz%lx%x.tmp", GetCurrentProcessId() & 0xFFFFu,
                      ++counter & 0xFFFFu);
        *path = LongPathForm(folder + leaf);
        HANDLE file = CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

// True when `path` is absent or could be replaced now: a file that another program
// holds open without write sharing, or a read-only one, cannot.
bool CanReplace(const std::wstring& path) {
    // Checked by hand as well: an administrator's process may otherwise write through it.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    CloseHandle(file);
    return true;
}

void RemoveTemporaryFile(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

}  // namespace

struct CZipReader {
    explicit CZipReader(HANDLE f) : file(f), source(f), archive(&source, LocalFileTimeToUtc) {}
    ~CZipReader() {
        if (ownsFile)
            CloseHandle(file);
    }
    HANDLE file;
    bool ownsFile = true;
    CZipFileSource source;
    CZipArchive archive;
    std::wstring root;  // ends with a separator; at most kZipMaxName characters
};

namespace {

ZipResult CheckHandle(ZipHandle handle) {
    if (!handle || !handle->state)
        return kZipArguments;
    if (handle->kind != kZipReaderKind)
        return kZipWrongKind;
    return kZipOk;
}

// Writes one file entry to `output` through a temporary file beside it.
ZipResult WriteFileEntry(CZipReader& reader, int index, const ZipEntryInfo& info,
                         const std::wstring& output) {
    if (!CanReplace(output))
        return kZipNoFile;
    const size_t cut = output.find_last_of(L"\\/");
    const std::wstring folder =
        cut == std::wstring::npos ? std::wstring() : output.substr(0, cut + 1);
    std::wstring temporary;
    HANDLE file = CreateTemporaryFile(folder, &temporary);
    if (file == INVALID_HANDLE_VALUE)
        return kZipNoFile;

    CZipFileSink sink(file);
    ZipResult result = reader.archive.Extract(index, sink);
    if (result == kZipOk) {
        const FILETIME creation = ToFileTime(info.creationTime);
        const FILETIME access = ToFileTime(info.accessTime);
        const FILETIME write = ToFileTime(info.writeTime);
        SetFileTime(file, &creation, &access, &write);
    }
    CloseHandle(file);
    if (result != kZipOk) {
        RemoveTemporaryFile(temporary);
        return result;
    }
    const DWORD attributes = info.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(temporary.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(temporary.c_str(), LongPathForm(output).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        RemoveTemporaryFile(temporary);
        return kZipNoFile;
    }
    return kZipOk;
}

}  // namespace

ZipHandle OpenZip(const wchar_t* path) {
    if (!path) {
        SetZipResult(kZipArguments);
        return nullptr;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetZipResult(kZipNoFile);
        return nullptr;
    }
    CZipReader* reader = new (std::nothrow) CZipReader(file);
    ZipHandle handle = new (std::nothrow) ZipHandleRecord{kZipReaderKind, reader};
    if (!reader || !handle) {
        if (reader)
            delete reader;
        else
            CloseHandle(file);
        delete handle;
        SetZipResult(kZipNoMemory);
        return nullptr;
    }
    ZipResult result = reader->archive.Open();
    if (result != kZipOk) {
        delete reader;
        delete handle;
        SetZipResult(kZipNoFile);
        return nullptr;
    }
    wchar_t current[MAX_PATH + 1];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (n > 0 && n <= MAX_PATH) {
        std::wstring root(current, n);
        if (!IsSeparator(root.back()))
            root += L'\\';
        if (root.size() <= kZipMaxName)
            reader->root = root;
    }
    SetZipResult(kZipOk);
    return handle;
}

ZipResult SetZipRoot(ZipHandle handle, const wchar_t* folder) {
    ZipResult result = CheckHandle(handle);
    if (result != kZipOk)
        return SetZipResult(result);
    if (!folder || !*folder)
        return SetZipResult(kZipArguments);
    std::wstring root = folder;
    if (!IsSeparator(root.back()))
        root += L'\\';
    if (root.size() > kZipMaxName)
        return SetZipResult(kZipArguments);
    handle->state->root = root;
    return SetZipResult(kZipOk);
}

ZipResult ReadZipEntry(ZipHandle handle, int index, ZipEntryInfo* info) {
    if (info) {
        info->index = 0;
        info->name[0] = L'\0';
        info->uncompressedSize = 0;
    }
    ZipResult result = CheckHandle(handle);
    if (result != kZipOk)
        return SetZipResult(result);
    if (!info)
        return SetZipResult(kZipArguments);
    return SetZipResult(handle->state->archive.Describe(index, info));
}

ZipResult UnzipItem(ZipHandle handle, int index, const wchar_t* target) {
    ZipResult result = CheckHandle(handle);
    if (result != kZipOk)
        return SetZipResult(result);
    CZipReader& reader = *handle->state;
    if (!target || index < 0 || index >= reader.archive.Count())
        return SetZipResult(kZipArguments);
    ZipEntryInfo info;
    // Other description failures surface as the data is read; the entry's own name
    // being over the limit is the caller's fault.
    if (reader.archive.Describe(index, &info) == kZipArguments)
        return SetZipResult(kZipArguments);

    const std::wstring path = target;
    const bool absolute = IsAbsoluteZipPath(path);
    // The second line against a package that climbs out of the client folder.
    if (!absolute && HasParentComponent(path))
        return SetZipResult(kZipArguments);
    const std::wstring output = absolute ? path : reader.root + path;
    if (output.size() > kZipMaxName)
        return SetZipResult(kZipArguments);
    const wchar_t* root = absolute ? nullptr : reader.root.c_str();

    if (info.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        EnsureZipFolders(root, path.c_str());
        return SetZipResult(kZipOk);
    }
    const size_t cut = path.find_last_of(L"\\/");
    const std::wstring folder =
        cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
    if (cut + 1 == path.size())
        return SetZipResult(kZipNoFile);  // no file name to write
    EnsureZipFolders(root, folder.c_str());
    return SetZipResult(WriteFileEntry(reader, index, info, output));
}

ZipResult ReleaseZip(ZipHandle handle) {
    ZipResult result = CheckHandle(handle);
    if (result != kZipOk)
        return SetZipResult(result);
    delete handle->state;
    delete handle;
    return SetZipResult(kZipOk);
}

void EnsureZipFolders(const wchar_t* root, const wchar_t* folder) {
    const std::wstring base = root ? root : L"";
    if (!base.empty() && !DirectoryExists(base))
        CreateDirectoryW(LongPathForm(base, kFolderPathLimit).c_str(), nullptr);
    const std::wstring path = folder ? folder : L"";
    if (path.empty())
        return;
    const size_t cut = path.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0)
        EnsureZipFolders(root, path.substr(0, cut).c_str());
    const std::wstring full = base + path;
    if (!DirectoryExists(full))
        CreateDirectoryW(LongPathForm(full, kFolderPathLimit).c_str(), nullptr);
}
