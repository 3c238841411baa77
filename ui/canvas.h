// Pixel operations on premultiplied 32-bit ARGB surfaces (the layout of a top-down
// 32-bit DIB section, as a layered window takes it). Pure code: the host window owns
// the memory, skins and text call these to draw into it.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/attr_value.h"
#include "ui/geometry.h"

namespace ui {

// A decoded image, premultiplied ARGB, rows top to bottom.
struct CPixmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

// A surface drawn on; the memory belongs to the caller.
struct CCanvas {
    int width = 0;
    int height = 0;
    uint32_t* pixels = nullptr;

    CRect Bounds() const { return CRect(0, 0, width, height); }
};

// Premultiplies a straight colour.
uint32_t Premultiply(Argb color);

// Sets every pixel to 0 (fully transparent).
void ClearCanvas(CCanvas* canvas);

// Sets the pixels of `rect` to 0.
void ClearRect(CCanvas* canvas, const CRect& rect);

// Blends `color` over the pixels of `rect` inside `clip`.
void FillRect(CCanvas* canvas, const CRect& rect, Argb color, const CRect& clip);

// A one-pixel frame just inside `rect`.
void FrameRect(CCanvas* canvas, const CRect& rect, Argb color, const CRect& clip);

// Draws `src` of `image` scaled (nearest pixel) into `dst`, blended over what is
// there, with an extra opacity 0..255.
void DrawPixmap(CCanvas* canvas, const CRect& dst, const CPixmap& image, const CRect& src,
                const CRect& clip, int opacity);

// Draws `src` of `image` into `dst` as a nine-part frame: corners unscaled, edges
// stretched along one axis, the middle both ways. Margins larger than the target are
// shrunk proportionally.
void DrawNineGrid(CCanvas* canvas, const CRect& dst, const CPixmap& image, const CRect& src,
                  int left, int top, int right, int bottom, const CRect& clip, int opacity);

// Blends `color` through an 8-bit coverage mask of `maskWidth` x `maskHeight` whose
// top-left corner lands at (x, y). Used for text.
void BlendMask(CCanvas* canvas, int x, int y, const uint8_t* mask, int maskWidth, int maskHeight,
               Argb color, const CRect& clip);

}  // namespace ui
