#include "zip/zip_name.h"

#include <cstdint>

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

void AppendUnit(std::wstring& out, uint32_t codePoint) {
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        out += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += static_cast<wchar_t>(codePoint);
    }
}

}  // namespace

std::wstring DecodeZipName(const char* bytes, size_t length) {
    std::wstring out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length && s[i] != 0) {
        unsigned char lead = s[i];
        int extra;
        uint32_t code;
        uint32_t minimum;
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, code = lead & 0x07, minimum = 0x10000;
        } else {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        size_t j = i + 1;
        int got = 0;
        while (got < extra && j < length && (s[j] & 0xC0) == 0x80) {
            code = (code << 6) | (s[j] & 0x3F);
            ++j;
            ++got;
        }
        if (got < extra || code < minimum || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            // One replacement for the lead byte and the continuation bytes it took.
            out += L'\xFFFD';
            i = j;
            continue;
        }
        AppendUnit(out, code);
        i = j;
    }
    return out;
}

std::wstring SanitiseZipName(const std::wstring& name) {
    static const wchar_t* const kClimbs[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    std::wstring s = name;
    for (;;) {
        if (s.size() >= 2 && s[1] == L':') {
            s.erase(0, 2);
            continue;
        }
        if (!s.empty() && IsSeparator(s[0])) {
            s.erase(0, 1);
            continue;
        }
        bool cut = false;
        for (const wchar_t* climb : kClimbs) {
            size_t at = s.find(climb);
            if (at != std::wstring::npos) {
                s.erase(0, at + 4);
                cut = true;
                break;
            }
        }
        if (cut)
            continue;
        // A leading ".." would climb out of the root folder: it goes too.
        if (s.size() >= 3 && s[0] == L'.' && s[1] == L'.' && IsSeparator(s[2])) {
            s.erase(0, 3);
            continue;
        }
        if (s == L"..")
            s.clear();
        return s;
    }
}

bool IsAbsoluteZipPath(const std::wstring& path) {
    return (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == L':');
}

bool HasParentComponent(const std::wstring& path) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (i - start == 2 && path[start] == L'.' && path[start + 1] == L'.')
                return true;
            start = i + 1;
        }
    }
    return false;
}
