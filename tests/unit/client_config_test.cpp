// config.xml: what each document gives the client context.
#include <gtest/gtest.h>

#include <string>

#include "update/client_config.h"

namespace {

const ClientSettings kDefaults = {0,
                                  L"Zephra加速器",
                                  L"VT00001",
                                  L"http://www.kivra.example",
                                  L"http://api.kivra.example",
                                  L"http://fx.kivra.example"};

std::string Utf8Doc(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root>" + body + "</root>";
}

// UTF-16 or UTF-32 bytes of an ASCII/BMP text, in the given byte order and unit size.
std::string Encode(const std::wstring& text, int unit, bool bigEndian) {
    std::string bytes;
    for (wchar_t c : text) {
        unsigned long v = static_cast<unsigned long>(c);
        for (int i = 0; i < unit; ++i) {
            int shift = bigEndian ? 8 * (unit - 1 - i) : 8 * i;
            bytes += static_cast<char>((v >> shift) & 0xFF);
        }
    }
    return bytes;
}

ClientSettings Load(const std::string& bytes, bool* loaded) {
    ClientSettings settings = kDefaults;
    ClientConfigText text;
    *loaded = ParseClientConfig(bytes, &text);
    if (*loaded)
        ApplyClientConfig(text, &settings);
    return settings;
}

TEST(ClientConfig, Documents) {
    struct Case {
        const char* name;
        std::string bytes;
        int clientType;
        std::wstring captName;
        std::wstring channel;
    };
    const std::wstring kCapt = kDefaults.captName;
    const std::wstring kChannel = kDefaults.channelNumber;
    const Case kCases[] = {
        {"full",
         Utf8Doc("<ClientType>3</ClientType><CaptName>极速</CaptName>"
                 "<ChannelNumber>CH9</ChannelNumber>"),
         3, L"极速", L"CH9"},
        {"names ignore case", "<ROOT><clienttype>3</clienttype><CAPTNAME>A</CAPTNAME></ROOT>", 3,
         L"A", kChannel},
        {"empty caption keeps the default", Utf8Doc("<ClientType>4</ClientType><CaptName/>"), 4,
         kCapt, kChannel},
        {"no client type gives 0", Utf8Doc("<CaptName>B</CaptName>"), 0, L"B", kChannel},
        {"digits then letters", Utf8Doc("<ClientType>12abc</ClientType>"), 12, kCapt, kChannel},
        {"letters only", Utf8Doc("<ClientType>abc</ClientType>"), 0, kCapt, kChannel},
        {"white space and sign", Utf8Doc("<ClientType>  -5</ClientType>"), -5, kCapt, kChannel},
        {"text untrimmed", Utf8Doc("<CaptName> X </CaptName>"), 0, L" X ", kChannel},
        {"entities decoded", Utf8Doc("<CaptName>A&amp;B &#x4E2D;</CaptName>"), 0, L"A&B 中",
         kChannel},
        {"first of two wins", Utf8Doc("<ClientType>1</ClientType><clientTYPE>2</clientTYPE>"), 1,
         kCapt, kChannel},
        {"other elements ignored", Utf8Doc("<Other>9</Other><ClientType>6</ClientType>"), 6, kCapt,
         kChannel},
        {"nested elements are not settings", Utf8Doc("<group><ClientType>8</ClientType></group>"),
         0, kCapt, kChannel},
        {"another top element holds no settings", "<config><ClientType>8</ClientType></config>", 0,
         kCapt, kChannel},
        {"utf-8 with byte-order mark", "\xEF\xBB\xBF" + Utf8Doc("<CaptName>中</CaptName>"), 0,
         L"中", kChannel},
        {"utf-16 le", "\xFF\xFE" + Encode(L"<root><CaptName>中文</CaptName></root>", 2, false), 0,
         L"中文", kChannel},
        {"utf-16 be", "\xFE\xFF" + Encode(L"<root><ClientType>7</ClientType></root>", 2, true), 7,
         kCapt, kChannel},
        {"utf-32 le",
         std::string("\xFF\xFE\0\0", 4) +
             Encode(L"<root><ClientType>9</ClientType></root>", 4, false),
         9, kCapt, kChannel},
    };
    for (const Case& c : kCases) {
        bool loaded = false;
        ClientSettings s = Load(c.bytes, &loaded);
        EXPECT_TRUE(loaded) << c.name;
        EXPECT_EQ(s.clientType, c.clientType) << c.name;
        EXPECT_EQ(s.captName, c.captName) << c.name;
        EXPECT_EQ(s.channelNumber, c.channel) << c.name;
    }
}

TEST(ClientConfig, AllSixSettings) {
    bool loaded = false;
    ClientSettings s = Load(Utf8Doc("<Net_FxServer>http://fx</Net_FxServer>"
                                    "<Net_Server>http://srv</Net_Server>"
                                    "<Net_Link>http://web</Net_Link>"
                                    "<ChannelNumber>C1</ChannelNumber>"
                                    "<CaptName>T</CaptName><ClientType>2</ClientType>"),
                            &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(s.clientType, 2);
    EXPECT_EQ(s.captName, L"T");
    EXPECT_EQ(s.channelNumber, L"C1");
    EXPECT_EQ(s.netLink, L"http://web");
    EXPECT_EQ(s.netServer, L"http://srv");
    EXPECT_EQ(s.netFxServer, L"http://fx");
}

TEST(ClientConfig, DocumentsThatDoNotLoadKeepEveryDefault) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case kCases[] = {
        {"empty file", ""},
        {"malformed", Utf8Doc("<ClientType>3</ClientTyp>")},
        {"unclosed", "<root><ClientType>3</ClientType>"},
        {"not xml", "ClientType=3"},
        {"utf-16 mark over utf-8 bytes", "\xFF\xFE<root><ClientType>3</ClientType></root>"},
        {"binary", std::string("\x00\x01\x02\x03\xFF", 5)},
    };
    for (const Case& c : kCases) {
        bool loaded = true;
        ClientSettings s = Load(c.bytes, &loaded);
        EXPECT_FALSE(loaded) << c.name;
        EXPECT_EQ(s.clientType, kDefaults.clientType) << c.name;
        EXPECT_EQ(s.captName, kDefaults.captName) << c.name;
        EXPECT_EQ(s.netServer, kDefaults.netServer) << c.name;
    }
}

}  // namespace
