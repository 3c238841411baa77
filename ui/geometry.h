// Plain rectangles and sizes of the window framework: integers, right and bottom
// exclusive, no Win32 types so the layout and drawing code can be tested anywhere.
#pragma once

namespace ui {

struct CSize {
    int cx = 0;
    int cy = 0;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    CRect() {}
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    CRect Intersect(const CRect& o) const {
        CRect r(left > o.left ? left : o.left, top > o.top ? top : o.top,
                right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom);
        if (r.IsEmpty())
            return CRect();
        return r;
    }
    CRect Deflate(int l, int t, int r, int b) const {
        return CRect(left + l, top + t, right - r, bottom - b);
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

}  // namespace ui
