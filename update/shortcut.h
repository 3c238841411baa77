// The desktop shortcut's contents, decided from plain strings.
#pragma once

#include <string>

// The shortcut file: "<desktopFolder>\<caption>.lnk".
std::wstring DesktopShortcutFile(const std::wstring& desktopFolder, const std::wstring& caption);

// The working folder of a shortcut to targetPath: the path up to, not including, its
// last '\' or '/'; the whole path when it has neither.
std::wstring ShortcutWorkingFolder(const std::wstring& targetPath);
