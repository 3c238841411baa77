// The run modes without a window: the default installation and the silent update.
#pragma once

#include <string>

// Moves the content of the program's folder into the client folder under Program
// Files, writes the shortcut and the start-at-logon value and starts the client.
// Main thread of the QN mode; logs its failures and goes on.
void InstallDefault();

// Moves the content of `source` into `destination` (both without a trailing
// backslash), recursively: names beginning with a full stop are skipped, sub-folders
// are created in the destination and removed from the source once emptied, and a
// destination file in use moves to its "_old" name, marked for deletion at restart.
// False only when the source cannot be listed; every other failure is logged and the
// move goes on with the next item.
bool CopyTempFile2InstallDir(const std::wstring& source, const std::wstring& destination);

// Asks the version API for the package of `clientTypeId`, downloads and installs it
// over the program's folder and starts the client. One attempt, no window, no log.
void UpgradeSilent(int clientTypeId);

// Downloads `url` into ExeDir + "up.zip", installs it when the transfer completed and
// deletes the package either way. A failed transfer leaves one line on stderr.
void DownloadZipSilent(std::string url);

// Unpacks the package over ExeDir, skipping the top-level config.xml and entries whose
// targets are in use, deletes the package (retrying, then at restart) and starts the
// client. 1 when the package opened, 0 when it is not an archive (nothing done).
int InstallZipSilent(const std::wstring& packagePath);

// Starts folder + "KivraClient.exe" with the command line "<folder>KivraClient.exe
// <clientType>". False when the process could not be created.
bool StartInstalledClient(const std::wstring& folder, int clientType);
