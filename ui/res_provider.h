// Resource providers: read the window's resources out of a loaded module (the
// program itself, or an optional library of system resources).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// Splits "type:name" at its first colon. False when there is no colon.
bool SplitResourceRef(const std::wstring& ref, std::wstring* type, std::wstring* name);

class CResProviderPE {
public:
    // The module is not owned: it must stay loaded while the provider is used.
    explicit CResProviderPE(HMODULE module) : module_(module) {}

    HMODULE Module() const { return module_; }

    // The bytes of resource `name` of type `type` (names and types match without
    // regard to case). False when the module holds no such resource.
    bool GetRawBuffer(const std::wstring& type, const std::wstring& name,
                      std::vector<uint8_t>* out) const;

    // The icon of group `name` closest to `size` pixels square, or nullptr.
    HICON LoadIconOfSize(const std::wstring& name, int size) const;

private:
    HMODULE module_;
};

}  // namespace ui
