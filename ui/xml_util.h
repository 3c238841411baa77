// Small helpers over pugixml (built in wide mode) for the framework's XML resources.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace ui {

// Parses XML bytes: UTF-8 unless a byte-order mark says otherwise. False when the
// document does not parse or has no element.
bool LoadXml(const std::vector<uint8_t>& bytes, pugi::xml_document* doc);

// The element's attributes in document order.
std::vector<std::pair<std::wstring, std::wstring>> AttributeList(const pugi::xml_node& node);

// The element's attributes by name.
std::map<std::wstring, std::wstring> AttributeMap(const pugi::xml_node& node);

}  // namespace ui
