#include "ui/res_provider.h"

#include <cwctype>

namespace ui {

namespace {
std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towupper(c));
    return s;
}
}  // namespace

bool SplitResourceRef(const std::wstring& ref, std::wstring* type, std::wstring* name) {
    size_t colon = ref.find(L':');
    if (colon == std::wstring::npos)
        return false;
    *type = ref.substr(0, colon);
    *name = ref.substr(colon + 1);
    return true;
}

bool CResProviderPE::GetRawBuffer(const std::wstring& type, const std::wstring& name,
                                  std::vector<uint8_t>* out) const {
    out->clear();
    if (!module_ || type.empty() || name.empty())
        return false;
    // The resource compiler stores names upper-cased; asking in upper case makes the
    // match independent of how the layout spells them.
    std::wstring t = Upper(type), n = Upper(name);
    HRSRC res = FindResourceW(module_, n.c_str(), t.c_str());
    if (!res)
        return false;
    DWORD size = SizeofResource(module_, res);
    HGLOBAL handle = LoadResource(module_, res);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data)
        return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    out->assign(bytes, bytes + size);
    return true;
}

HICON CResProviderPE::LoadIconOfSize(const std::wstring& name, int size) const {
    if (!module_ || name.empty())
        return nullptr;
    std::wstring n = Upper(name);
    return static_cast<HICON>(LoadImageW(module_, n.c_str(), IMAGE_ICON, size, size, 0));
}

}  // namespace ui
