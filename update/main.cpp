// Program entry: builds the client context, then runs the mode the command line picks.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "update/run_mode.h"
#include "update/update.h"
#include "update/userinfo.h"
#include "update/window_mode.h"

namespace {

std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv) {
        args.assign(argv, argv + count);
        LocalFree(argv);
    }
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // The context comes first: it opens the log every mode writes to.
    CUserInfo::GetInstance();
    OleInitialize(nullptr);

    RunModeChoice choice = ChooseRunMode(CommandLineArguments());
    switch (choice.mode) {
        case RunMode::DefaultInstall:
            InstallDefault();
            return 2;
        case RunMode::SilentUpdate:
            UpgradeSilent(choice.clientTypeId);
            return 1;
        case RunMode::Window:
            break;
    }
    return RunWindowMode(instance, choice.updateMode, choice.clientTypeId);
}
