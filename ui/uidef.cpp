#include "ui/uidef.h"

#include "ui/xml_util.h"

namespace ui {

namespace {

void ParseTableNode(const pugi::xml_node& root, CUiDef* def) {
    std::wstring kind = root.name();
    for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        if (kind == L"string") {
            def->strings[n.name()] = n.attribute(L"value").value();
        } else if (kind == L"color") {
            Argb c;
            if (ParseColor(n.attribute(L"value").value(), &c))
                def->colors[n.name()] = c;
        } else if (kind == L"skin") {
            SkinEntry e;
            if (SkinKindFromElement(n.name(), &e.kind)) {
                e.attrs = AttributeMap(n);
                def->skins.push_back(e);
            }
        }
    }
}

}  // namespace

bool ParseValuesTable(const std::vector<uint8_t>& xml, CUiDef* def) {
    pugi::xml_document doc;
    if (!LoadXml(xml, &doc))
        return false;
    ParseTableNode(doc.document_element(), def);
    return true;
}

bool ParseUiDef(const std::vector<uint8_t>& xml, const ResourceLoader& load, CUiDef* def) {
    pugi::xml_document doc;
    if (!LoadXml(xml, &doc))
        return false;
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        std::wstring name = n.name();
        if (name == L"font") {
            FontSpec f;
            f.face = n.attribute(L"face").value();
            f.size = ParseInt(n.attribute(L"size").value(), -1);
            def->defaultFont = f.MergedOnto(def->defaultFont);
        } else if (name == L"string" || name == L"color" || name == L"skin") {
            std::wstring src = n.attribute(L"src").value();
            std::vector<uint8_t> bytes;
            if (!src.empty()) {
                if (load && load(src, &bytes)) {
                    pugi::xml_document table;
                    if (LoadXml(bytes, &table))
                        ParseTableNode(table.document_element(), def);
                }
            } else {
                ParseTableNode(n, def);  // a table written inline
            }
        } else if (name == L"style") {
            for (pugi::xml_node c = n.child(L"class"); c; c = c.next_sibling(L"class")) {
                AttrMap attrs = AttributeMap(c);
                std::wstring className = attrs[L"name"];
                attrs.erase(L"name");
                if (!className.empty())
                    def->styles[className] = attrs;
            }
        } else if (name == L"objattr") {
            for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
                if (c.type() == pugi::node_element)
                    def->objattr[c.name()] = AttributeMap(c);
        }
    }
    return true;
}

}  // namespace ui
