#include "update/run_mode.h"

#include <cerrno>
#include <climits>
#include <cwchar>

namespace {
const int kSilentUpdateMarker = 711;
}

int DecimalValue(const std::wstring& argument) {
    errno = 0;
    long value = std::wcstol(argument.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

RunModeChoice ChooseRunMode(const std::vector<std::wstring>& args) {
    if (args.size() >= 2 && args[1] == L"QN")
        return {RunMode::DefaultInstall, 0, 0};
    if (args.size() >= 3 && DecimalValue(args[2]) == kSilentUpdateMarker)
        return {RunMode::SilentUpdate, DecimalValue(args[1]), 0};
    if (args.size() >= 2)
        return {RunMode::Window, DecimalValue(args[1]), 1};
    return {RunMode::Window, 0, 0};
}
