// The run modes without a window: the default installation and the silent update.
#pragma once

// Moves the content of the program's folder into the client folder under Program
// Files, writes the shortcut and the start-at-logon value and starts the client.
void InstallDefault();

// Asks the version API for the package of `clientTypeId`, downloads and installs it
// over the program's folder and starts the client. One attempt, no window.
void UpgradeSilent(int clientTypeId);
