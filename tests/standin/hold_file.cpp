// Test helper (not part of the product): holds a file open the way a running program
// holds its DLL, for read with read sharing only, so nobody can write, replace or
// delete it meanwhile.   hold_file.exe PATH SECONDS
// Creates PATH + ".held" once the file is open, and removes it when it lets go.
#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::wstring marker = std::wstring(argv[1]) + L".held";
    HANDLE flag = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (flag != INVALID_HANDLE_VALUE)
        CloseHandle(flag);
    Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
    CloseHandle(file);
    DeleteFileW(marker.c_str());
    return 0;
}
