#include "ui/named_id.h"

#include <algorithm>
#include <cwchar>

namespace ui {

namespace {
bool Less(const SNamedID& a, const SNamedID& b) {
    return std::wcscmp(a.strName, b.strName) < 0;
}
}  // namespace

void CNamedIdTable::Init(const SNamedID* table, int count, bool sorted) {
    entries_.clear();
    if (!table || count <= 0)
        return;
    entries_.assign(table, table + count);
    for (SNamedID& e : entries_)
        e.strName[51] = L'\0';
    if (!sorted)
        std::sort(entries_.begin(), entries_.end(), Less);
}

int CNamedIdTable::IdOf(const std::wstring& name) const {
    SNamedID key{};
    if (name.empty() || name.size() > 51)
        return 0;
    std::wcsncpy(key.strName, name.c_str(), 51);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key, Less);
    if (it == entries_.end() || std::wcscmp(it->strName, key.strName) != 0)
        return 0;
    return it->nID;
}

}  // namespace ui
