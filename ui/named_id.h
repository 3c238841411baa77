// The table of named control IDs: each named control of a layout gets the ID its
// name has here. Pure code.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct SNamedID {
    wchar_t strName[52];  // at most 51 characters and the terminator
    int nID;
};

class CNamedIdTable {
public:
    // Copies `count` entries, replacing any earlier table. Unless `sorted` says the
    // caller already sorted them by name (ordinal order), they are sorted here.
    void Init(const SNamedID* table, int count, bool sorted);

    // The ID of `name`, or 0 when the table does not hold it.
    int IdOf(const std::wstring& name) const;

    const std::vector<SNamedID>& Entries() const { return entries_; }

private:
    std::vector<SNamedID> entries_;
};

}  // namespace ui
