#include "ui/attr_value.h"

#include <cwchar>
#include <cwctype>

namespace ui {

namespace {

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(s[b]))
        ++b;
    while (e > b && std::iswspace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

bool ParseHexByte(const std::wstring& s, size_t at, uint32_t* out) {
    uint32_t v = 0;
    for (size_t i = at; i < at + 2; ++i) {
        wchar_t c = s[i];
        v <<= 4;
        if (c >= L'0' && c <= L'9')
            v |= c - L'0';
        else if (c >= L'a' && c <= L'f')
            v |= c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            v |= c - L'A' + 10;
        else
            return false;
    }
    *out = v;
    return true;
}

bool ParseByte(const std::wstring& s, uint32_t* out) {
    std::wstring t = Trim(s);
    if (t.empty())
        return false;
    uint32_t v = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9')
            return false;
        v = v * 10 + (c - L'0');
        if (v > 255)
            return false;
    }
    *out = v;
    return true;
}

std::vector<std::wstring> Split(const std::wstring& s, wchar_t sep) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t at = s.find(sep, start);
        parts.push_back(
            s.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
        if (at == std::wstring::npos)
            break;
        start = at + 1;
    }
    return parts;
}

}  // namespace

bool ParseColor(const std::wstring& text, Argb* out) {
    std::wstring t = Trim(text);
    if (!t.empty() && t[0] == L'#') {
        uint32_t r, g, b, a = 255;
        if (t.size() != 7 && t.size() != 9)
            return false;
        if (!ParseHexByte(t, 1, &r) || !ParseHexByte(t, 3, &g) || !ParseHexByte(t, 5, &b))
            return false;
        if (t.size() == 9 && !ParseHexByte(t, 7, &a))
            return false;
        *out = (a << 24) | (r << 16) | (g << 8) | b;
        return true;
    }
    std::wstring l = Lower(t);
    bool rgba = l.compare(0, 5, L"rgba(") == 0;
    bool rgb = !rgba && l.compare(0, 4, L"rgb(") == 0;
    if ((!rgb && !rgba) || l.back() != L')')
        return false;
    size_t open = l.find(L'(');
    std::vector<std::wstring> parts = Split(l.substr(open + 1, l.size() - open - 2), L',');
    if (parts.size() != (rgba ? 4u : 3u))
        return false;
    uint32_t v[4] = {0, 0, 0, 255};
    for (size_t i = 0; i < parts.size(); ++i)
        if (!ParseByte(parts[i], &v[i]))
            return false;
    *out = (v[3] << 24) | (v[0] << 16) | (v[1] << 8) | v[2];
    return true;
}

FontSpec FontSpec::MergedOnto(const FontSpec& base) const {
    FontSpec r = base;
    if (!face.empty())
        r.face = face;
    if (size >= 0)
        r.size = size;
    if (bold >= 0)
        r.bold = bold;
    if (italic >= 0)
        r.italic = italic;
    if (underline >= 0)
        r.underline = underline;
    if (strike >= 0)
        r.strike = strike;
    return r;
}

std::wstring FontSpec::Key() const {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"|%d|%d|%d|%d|%d", size, bold, italic, underline, strike);
    return face + buf;
}

bool FontSpec::operator==(const FontSpec& o) const {
    return face == o.face && size == o.size && bold == o.bold && italic == o.italic &&
           underline == o.underline && strike == o.strike;
}

FontSpec ParseFontSpec(const std::wstring& text) {
    FontSpec f;
    for (const std::wstring& item : Split(text, L',')) {
        size_t colon = item.find(L':');
        if (colon == std::wstring::npos)
            continue;
        std::wstring key = Lower(Trim(item.substr(0, colon)));
        std::wstring value = Trim(item.substr(colon + 1));
        if (key == L"face") {
            f.face = value;
            continue;
        }
        int n = ParseInt(value, -1);
        if (n < 0)
            continue;
        if (key == L"size")
            f.size = n;
        else if (key == L"bold")
            f.bold = n ? 1 : 0;
        else if (key == L"italic")
            f.italic = n ? 1 : 0;
        else if (key == L"underline")
            f.underline = n ? 1 : 0;
        else if (key == L"strike")
            f.strike = n ? 1 : 0;
    }
    return f;
}

std::vector<double> ParseNumberList(const std::wstring& text) {
    std::vector<double> values;
    if (Trim(text).empty())
        return values;
    for (const std::wstring& item : Split(text, L',')) {
        std::wstring t = Trim(item);
        wchar_t* end = nullptr;
        double v = std::wcstod(t.c_str(), &end);
        values.push_back(end == t.c_str() || *end != L'\0' ? 0.0 : v);
    }
    return values;
}

int ParseInt(const std::wstring& text, int fallback) {
    std::wstring t = Trim(text);
    if (t.empty())
        return fallback;
    wchar_t* end = nullptr;
    long v = std::wcstol(t.c_str(), &end, 0);
    if (end == t.c_str() || *end != L'\0')
        return fallback;
    return static_cast<int>(v);
}

bool ParseBool(const std::wstring& text, bool fallback) {
    std::wstring t = Lower(Trim(text));
    if (t == L"1" || t == L"true" || t == L"yes")
        return true;
    if (t == L"0" || t == L"false" || t == L"no")
        return false;
    return fallback;
}

}  // namespace ui
