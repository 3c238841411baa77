// Which run mode a command line selects. Pure: arguments in, decision out.
#pragma once

#include <string>
#include <vector>

enum class RunMode {
    DefaultInstall,  // "QN": deploy the client from the program's own folder
    SilentUpdate,    // "<type> 711": check, download and install without a window
    Window,          // the installer (no argument) or updater (one argument) window
};

struct RunModeChoice {
    RunMode mode;
    int clientTypeId;  // silent update and window: the integer value of argument 1
    int updateMode;    // window: 1 when argument 1 exists, else 0
};

// The C library's decimal conversion of an argument: leading white space, an optional
// sign, digits up to the first non-digit; 0 without digits. Out-of-range values clamp
// to the 32-bit limits rather than wrap, so no huge number can pass for 711.
int DecimalValue(const std::wstring& argument);

// `args` as CommandLineToArgvW splits the process command line; args[0] is the program.
RunModeChoice ChooseRunMode(const std::vector<std::wstring>& args);
