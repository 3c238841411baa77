// A fresh folder under the user's temporary folder, removed with everything in it
// when the test ends.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with a backslash.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// Removes a folder and everything below it; read-only files included.
void RemoveTree(const std::wstring& folder);

// Whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Writes (replacing) a file with the given bytes.
bool WriteBytes(const std::wstring& path, const std::string& bytes);

// The bytes of a wide text as UTF-16 LE, as the log stores it.
std::string Utf16Le(const std::wstring& text);
