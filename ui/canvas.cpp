#include "ui/canvas.h"

#include <algorithm>

namespace ui {

namespace {

inline uint32_t Mul(uint32_t c, uint32_t a) {
    uint32_t t = c * a + 128;
    return (t + (t >> 8)) >> 8;
}

// Source-over of premultiplied pixels.
inline uint32_t Over(uint32_t dst, uint32_t src) {
    uint32_t sa = src >> 24;
    if (sa == 255)
        return src;
    if (sa == 0 && src == 0)
        return dst;
    uint32_t inv = 255 - sa;
    uint32_t a = (src >> 24) + Mul(dst >> 24, inv);
    uint32_t r = ((src >> 16) & 0xFF) + Mul((dst >> 16) & 0xFF, inv);
    uint32_t g = ((src >> 8) & 0xFF) + Mul((dst >> 8) & 0xFF, inv);
    uint32_t b = (src & 0xFF) + Mul(dst & 0xFF, inv);
    return (std::min(a, 255u) << 24) | (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) |
           std::min(b, 255u);
}

inline uint32_t Scale(uint32_t p, uint32_t a) {
    if (a == 255)
        return p;
    return (Mul(p >> 24, a) << 24) | (Mul((p >> 16) & 0xFF, a) << 16) |
           (Mul((p >> 8) & 0xFF, a) << 8) | Mul(p & 0xFF, a);
}

}  // namespace

uint32_t Premultiply(Argb color) {
    uint32_t a = color >> 24;
    return (a << 24) | (Mul((color >> 16) & 0xFF, a) << 16) | (Mul((color >> 8) & 0xFF, a) << 8) |
           Mul(color & 0xFF, a);
}

void ClearCanvas(CCanvas* canvas) {
    std::fill(canvas->pixels, canvas->pixels + static_cast<size_t>(canvas->width) * canvas->height,
              0u);
}

void ClearRect(CCanvas* canvas, const CRect& rect) {
    CRect r = rect.Intersect(canvas->Bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = canvas->pixels + static_cast<size_t>(y) * canvas->width;
        std::fill(row + r.left, row + r.right, 0u);
    }
}

void FillRect(CCanvas* canvas, const CRect& rect, Argb color, const CRect& clip) {
    CRect r = rect.Intersect(clip).Intersect(canvas->Bounds());
    uint32_t p = Premultiply(color);
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = canvas->pixels + static_cast<size_t>(y) * canvas->width;
        for (int x = r.left; x < r.right; ++x)
            row[x] = Over(row[x], p);
    }
}

void FrameRect(CCanvas* canvas, const CRect& rect, Argb color, const CRect& clip) {
    if (rect.IsEmpty())
        return;
    FillRect(canvas, CRect(rect.left, rect.top, rect.right, rect.top + 1), color, clip);
    FillRect(canvas, CRect(rect.left, rect.bottom - 1, rect.right, rect.bottom), color, clip);
    FillRect(canvas, CRect(rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1), color, clip);
    FillRect(canvas, CRect(rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1), color, clip);
}

void DrawPixmap(CCanvas* canvas, const CRect& dst, const CPixmap& image, const CRect& src,
                const CRect& clip, int opacity) {
    CRect s = src.Intersect(CRect(0, 0, image.width, image.height));
    if (s != src || dst.IsEmpty() || s.IsEmpty() || opacity <= 0)
        return;
    CRect r = dst.Intersect(clip).Intersect(canvas->Bounds());
    uint32_t a = static_cast<uint32_t>(std::min(opacity, 255));
    const int64_t dw = dst.Width(), dh = dst.Height();
    for (int y = r.top; y < r.bottom; ++y) {
        int sy = s.top + static_cast<int>((y - dst.top) * static_cast<int64_t>(s.Height()) / dh);
        const uint32_t* srow = image.pixels.data() + static_cast<size_t>(sy) * image.width;
        uint32_t* row = canvas->pixels + static_cast<size_t>(y) * canvas->width;
        for (int x = r.left; x < r.right; ++x) {
            int sx =
                s.left + static_cast<int>((x - dst.left) * static_cast<int64_t>(s.Width()) / dw);
            row[x] = Over(row[x], Scale(srow[sx], a));
        }
    }
}

void DrawNineGrid(CCanvas* canvas, const CRect& dst, const CPixmap& image, const CRect& src,
                  int left, int top, int right, int bottom, const CRect& clip, int opacity) {
    if (dst.IsEmpty() || src.IsEmpty())
        return;
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::max(right, 0), bottom = std::max(bottom, 0);
    // Margins that do not fit the source or the target shrink with it.
    if (left + right > src.Width())
        left = right = src.Width() / 2;
    if (top + bottom > src.Height())
        top = bottom = src.Height() / 2;
    int dl = left, dr = right, dt = top, db = bottom;
    if (dl + dr > dst.Width()) {
        dl = dst.Width() * left / std::max(left + right, 1);
        dr = dst.Width() - dl;
    }
    if (dt + db > dst.Height()) {
        dt = dst.Height() * top / std::max(top + bottom, 1);
        db = dst.Height() - dt;
    }
    const int sx[4] = {src.left, src.left + left, src.right - right, src.right};
    const int sy[4] = {src.top, src.top + top, src.bottom - bottom, src.bottom};
    const int dx[4] = {dst.left, dst.left + dl, dst.right - dr, dst.right};
    const int dy[4] = {dst.top, dst.top + dt, dst.bottom - db, dst.bottom};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            DrawPixmap(canvas, CRect(dx[i], dy[j], dx[i + 1], dy[j + 1]), image,
                       CRect(sx[i], sy[j], sx[i + 1], sy[j + 1]), clip, opacity);
}

void BlendMask(CCanvas* canvas, int x, int y, const uint8_t* mask, int maskWidth, int maskHeight,
               Argb color, const CRect& clip) {
    CRect r =
        CRect(x, y, x + maskWidth, y + maskHeight).Intersect(clip).Intersect(canvas->Bounds());
    uint32_t p = Premultiply(color);
    for (int py = r.top; py < r.bottom; ++py) {
        const uint8_t* mrow = mask + static_cast<size_t>(py - y) * maskWidth;
        uint32_t* row = canvas->pixels + static_cast<size_t>(py) * canvas->width;
        for (int px = r.left; px < r.right; ++px) {
            uint8_t cov = mrow[px - x];
            if (cov)
                row[px] = Over(row[px], Scale(p, cov));
        }
    }
}

}  // namespace ui
