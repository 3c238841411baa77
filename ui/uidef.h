// The UI definition: default font, string/colour/skin tables, style classes and
// object defaults. Parsing only: the application turns skin entries into skins.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/attr_value.h"
#include "ui/skin.h"

namespace ui {

typedef std::map<std::wstring, std::wstring> AttrMap;

struct SkinEntry {
    CSkin::Kind kind;
    AttrMap attrs;
};

struct CUiDef {
    FontSpec defaultFont;
    std::map<std::wstring, std::wstring> strings;
    std::map<std::wstring, Argb> colors;
    std::vector<SkinEntry> skins;             // in table order
    std::map<std::wstring, AttrMap> styles;   // style classes by name
    std::map<std::wstring, AttrMap> objattr;  // default attributes by control kind
};

// Reads "type:name" resources named by the definition.
typedef std::function<bool(const std::wstring& ref, std::vector<uint8_t>* out)> ResourceLoader;

// Parses a UI definition (root element UIDEF) and the tables it names, merging into
// `def`. A table that cannot be loaded is skipped; false only when the definition
// itself does not parse.
bool ParseUiDef(const std::vector<uint8_t>& xml, const ResourceLoader& load, CUiDef* def);

// Parses one values table on its own: "string", "color" or "skin" root element.
bool ParseValuesTable(const std::vector<uint8_t>& xml, CUiDef* def);

}  // namespace ui
