// Reading the client's config.xml. Pure: the file's bytes in, the element texts out.
#pragma once

#include <string>

// The texts of the six elements under the top element `root`, as stored (untrimmed,
// entities decoded). A missing or empty element gives an empty text.
struct ClientConfigText {
    std::wstring clientType;
    std::wstring captName;
    std::wstring channelNumber;
    std::wstring netLink;
    std::wstring netServer;
    std::wstring netFxServer;
};

// Parses the document. Element names match without regard to letter case; the
// encoding comes from a byte-order mark (UTF-8, UTF-16 or UTF-32, either order), and
// is UTF-8 without one. Returns false when the bytes are not a well-formed document.
bool ParseClientConfig(const std::string& bytes, ClientConfigText* out);

// The settings config.xml may change.
struct ClientSettings {
    int clientType;
    std::wstring captName;
    std::wstring channelNumber;
    std::wstring netLink;
    std::wstring netServer;
    std::wstring netFxServer;
};

// Applies the texts of a loaded document: the client type always (its decimal value,
// 0 without digits), every other setting only when its text is not empty.
void ApplyClientConfig(const ClientConfigText& text, ClientSettings* settings);
