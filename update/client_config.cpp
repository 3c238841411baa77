#include "update/client_config.h"

#include <pugixml.hpp>

#include "update/run_mode.h"

namespace {

struct Bom {
    const char* bytes;
    size_t size;
    pugi::xml_encoding encoding;
};

// Longest marks first: the UTF-32 LE mark starts with the UTF-16 LE one.
const Bom kBoms[] = {
    {"\xFF\xFE\x00\x00", 4, pugi::encoding_utf32_le},
    {"\x00\x00\xFE\xFF", 4, pugi::encoding_utf32_be},
    {"\xEF\xBB\xBF", 3, pugi::encoding_utf8},
    {"\xFF\xFE", 2, pugi::encoding_utf16_le},
    {"\xFE\xFF", 2, pugi::encoding_utf16_be},
};

bool SameNameIgnoringCase(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        wchar_t ca = *a, cb = *b;
        if (ca >= L'A' && ca <= L'Z')
            ca = static_cast<wchar_t>(ca - L'A' + L'a');
        if (cb >= L'A' && cb <= L'Z')
            cb = static_cast<wchar_t>(cb - L'A' + L'a');
        if (ca != cb)
            return false;
    }
    return *a == *b;
}

std::wstring ChildText(const pugi::xml_node& parent, const wchar_t* name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && SameNameIgnoringCase(child.name(), name))
            return child.text().get();
    }
    return std::wstring();
}

}  // namespace

bool ParseClientConfig(const std::string& bytes, ClientConfigText* out) {
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    size_t skip = 0;
    for (const Bom& bom : kBoms) {
        if (bytes.size() >= bom.size && bytes.compare(0, bom.size, bom.bytes, bom.size) == 0) {
            encoding = bom.encoding;
            skip = bom.size;
            break;
        }
    }

    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_buffer(bytes.data() + skip, bytes.size() - skip,
                                                         pugi::parse_default, encoding);
    if (!result)
        return false;

    pugi::xml_node root = document.document_element();
    if (!SameNameIgnoringCase(root.name(), L"root"))
        root = pugi::xml_node();  // another top element: the document holds no settings

    out->clientType = ChildText(root, L"ClientType");
    out->captName = ChildText(root, L"CaptName");
    out->channelNumber = ChildText(root, L"ChannelNumber");
    out->netLink = ChildText(root, L"Net_Link");
    out->netServer = ChildText(root, L"Net_Server");
    out->netFxServer = ChildText(root, L"Net_FxServer");
    return true;
}

void ApplyClientConfig(const ClientConfigText& text, ClientSettings* settings) {
    settings->clientType = DecimalValue(text.clientType);
    if (!text.captName.empty())
        settings->captName = text.captName;
    if (!text.channelNumber.empty())
        settings->channelNumber = text.channelNumber;
    if (!text.netLink.empty())
        settings->netLink = text.netLink;
    if (!text.netServer.empty())
        settings->netServer = text.netServer;
    if (!text.netFxServer.empty())
        settings->netFxServer = text.netFxServer;
}
