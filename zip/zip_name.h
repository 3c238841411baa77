// Entry names: decoding the stored bytes and making them safe to use under a root
// folder. Plain values in, plain values out.
#pragma once

#include <cstddef>
#include <string>

// Longest stored name in bytes, and longest root folder or output path in characters,
// each without the terminating NUL. Anything longer is refused, never shortened, so that
// a shortened name can never turn into another file.
const size_t kZipMaxName = 259;

// Decodes UTF-8 bytes into UTF-16 code units (whatever the entry's language flag says;
// packages are made with UTF-8 names). Stops at a NUL byte. Malformed sequences become
// U+FFFD. The result never has more units than the input has bytes.
std::wstring DecodeZipName(const char* bytes, size_t length);

// Sanitises a decoded name so that no name can reach above the root folder: drive
// prefixes and leading separators go, everything up to a "..", and a leading "..".
std::wstring SanitiseZipName(const std::wstring& name);

// True when the path is absolute: it starts with a separator or its second character
// is a colon.
bool IsAbsoluteZipPath(const std::wstring& path);

// True when one of the path's components (between `\` or `/`) is exactly "..".
bool HasParentComponent(const std::wstring& path);
