// The window run mode: the installer (updateMode 0) or updater (updateMode 1) window.
#pragma once

#include <windows.h>

// Runs the window on the calling thread until it is destroyed; returns the message
// loop's exit code.
int RunWindowMode(HINSTANCE instance, int updateMode, int clientTypeId);
