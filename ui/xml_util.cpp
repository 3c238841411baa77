#include "ui/xml_util.h"

namespace ui {

bool LoadXml(const std::vector<uint8_t>& bytes, pugi::xml_document* doc) {
    doc->reset();
    if (bytes.empty())
        return false;
    pugi::xml_parse_result r =
        doc->load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    return r && doc->document_element();
}

std::vector<std::pair<std::wstring, std::wstring>> AttributeList(const pugi::xml_node& node) {
    std::vector<std::pair<std::wstring, std::wstring>> list;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        list.emplace_back(a.name(), a.value());
    return list;
}

std::map<std::wstring, std::wstring> AttributeMap(const pugi::xml_node& node) {
    std::map<std::wstring, std::wstring> map;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        map[a.name()] = a.value();
    return map;
}

}  // namespace ui
