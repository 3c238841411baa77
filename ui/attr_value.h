// Values of layout and UI-definition attributes: colours, font descriptions, number
// lists. Pure text parsing, no Win32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// Colours are straight (not premultiplied) 0xAARRGGBB.
typedef uint32_t Argb;

// "#rrggbb", "#rrggbbaa" (alpha last), "rgb(r,g,b)" and "rgba(r,g,b,a)". False for
// anything else, leaving `out` alone.
bool ParseColor(const std::wstring& text, Argb* out);

// A font as "face:…,bold:…,size:…,italic:…,underline:…,strike:…". Fields that a
// description leaves out stay unset (-1 or empty) and are taken from the font it is
// merged onto.
struct FontSpec {
    std::wstring face;
    int size = -1;  // character height in pixels
    int bold = -1;
    int italic = -1;
    int underline = -1;
    int strike = -1;

    // Fields set here replace those of `base`.
    FontSpec MergedOnto(const FontSpec& base) const;
    // A stable text naming this font, for caches.
    std::wstring Key() const;
    bool operator==(const FontSpec& o) const;
};

// Unknown keys are ignored; a malformed number leaves its field unset.
FontSpec ParseFontSpec(const std::wstring& text);

// Comma-separated numbers ("5,5,5,5", "-0.5,0"); malformed items give 0.
std::vector<double> ParseNumberList(const std::wstring& text);

// Decimal or 0x-hexadecimal integer; `fallback` when the text holds none.
int ParseInt(const std::wstring& text, int fallback);

// "1", "true", "yes" (any case) are true; "0", "false", "no" false; else `fallback`.
bool ParseBool(const std::wstring& text, bool fallback);

}  // namespace ui
