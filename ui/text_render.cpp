#include "ui/text_render.h"

#include <algorithm>
#include <vector>

namespace ui {

CSize MeasureTextExtent(HFONT font, const std::wstring& text) {
    CSize size;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return size;
    HGDIOBJ old =
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE s{};
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    if (!text.empty())
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
    size.cx = s.cx;
    size.cy = std::max<int>(s.cy, tm.tmHeight);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

HBITMAP CreateCanvasBitmap(HDC dc, int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down, as the canvas stores its rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

void DrawTextOnCanvas(CCanvas* canvas, const CRect& rect, const std::wstring& text, HFONT font,
                      Argb color, UINT format, const CRect& clip) {
    CRect visible = rect.Intersect(clip).Intersect(canvas->Bounds());
    if (text.empty() || visible.IsEmpty() || (color >> 24) == 0)
        return;
    const int w = rect.Width(), h = rect.Height();
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = dc ? CreateCanvasBitmap(dc, w, h, &bits) : nullptr;
    if (!bmp || !bits) {
        if (bmp)
            DeleteObject(bmp);
        if (dc)
            DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HGDIOBJ oldFont =
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT r{0, 0, w, h};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
    GdiFlush();

    // White glyphs on black: the brightest channel is the coverage.
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < mask.size(); ++i) {
        uint32_t p = px[i];
        mask[i] = static_cast<uint8_t>(std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}));
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    BlendMask(canvas, rect.left, rect.top, mask.data(), w, h, color, clip);
}

}  // namespace ui
