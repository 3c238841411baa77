// Extracts a whole package with the archive reader, the way the update engine does
// (describe each entry, then write it under the root folder), and reports the time and
// the process's peak memory:
//   zipbench.exe PACKAGE.zip OUTPUT_FOLDER
// Output: one line "entries=N failed=N ms=N peak_kib=N".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

#include "zip/unzip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: zipbench PACKAGE.zip OUTPUT_FOLDER\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ZipHandle zip = OpenZip(argv[1]);
    if (!zip) {
        std::fwprintf(stderr, L"cannot open %ls: 0x%x\n", argv[1],
                      static_cast<unsigned>(LastZipResult));
        return 1;
    }
    SetZipRoot(zip, argv[2]);
    ZipEntryInfo ze;
    ReadZipEntry(zip, -1, &ze);
    const int count = ze.index;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (ReadZipEntry(zip, i, &ze) != 0 || UnzipItem(zip, i, ze.name) != 0)
            ++failed;
    }
    ReleaseZip(zip);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const long long ms = (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    std::printf("entries=%d failed=%d ms=%lld peak_kib=%llu\n", count, failed, ms,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
    return failed ? 1 : 0;
}
