// Text through GDI onto the framework's premultiplied canvas: GDI draws the glyphs
// as a grey coverage mask, which is then blended in the wanted colour, so text keeps
// correct alpha on a layered window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/canvas.h"

namespace ui {

// A 32-bit top-down DIB section for `dc`, the layout of the framework's canvas; `bits`
// receives its pixels. Null when it cannot be made.
HBITMAP CreateCanvasBitmap(HDC dc, int width, int height, void** bits);

CSize MeasureTextExtent(HFONT font, const std::wstring& text);

// `format` takes DrawText flags (DT_LEFT, DT_CENTER, DT_VCENTER, DT_SINGLELINE, ...).
void DrawTextOnCanvas(CCanvas* canvas, const CRect& rect, const std::wstring& text, HFONT font,
                      Argb color, UINT format, const CRect& clip);

}  // namespace ui
