// The layout's position notation: parsing a "pos" value and placing a row of sibling
// controls inside their parent. Pure arithmetic, no Win32.
//
// A "pos" holds two or four comma-separated coordinates (left, top[, right, bottom]).
// Each coordinate is a number with an optional prefix and an optional minus sign:
//   none  from the parent's left/top edge; negative: from its right/bottom edge
//   |     from the parent's centre, the sign giving the direction
//   %     percent of the parent's width/height; negative: from the far edge
//   [ {   from the previous sibling's right/bottom ([) or left/top ({) edge
//   ] }   from the next sibling's left/top (]) or right/bottom (}) edge
//   @     (third and fourth only) the control's width/height, added to left/top
// With two coordinates the size comes from width/height/size or from the content.
// "offset" x,y then moves the placed control by x and y times its own size.
#pragma once

#include <string>
#include <vector>

#include "ui/geometry.h"

namespace ui {

enum class PosAnchor { Edge, Center, Percent, PrevFar, PrevNear, NextNear, NextFar, Size };

struct PosCoord {
    PosAnchor anchor = PosAnchor::Edge;
    bool negative = false;  // the minus sign, kept apart so that -0 differs from 0
    double value = 0;       // magnitude, never negative
};

struct PosSpec {
    int count = 0;  // 0 (no pos), 2 or 4
    PosCoord coord[4];
};

// Parses a "pos" value. False, leaving `out` with count 0, when the text does not hold
// two or four well-formed coordinates or puts "@" in the first two.
bool ParsePos(const std::wstring& text, PosSpec* out);

// What the layout knows of one child before it is placed.
struct LayoutItem {
    PosSpec pos;
    int width = -1;   // explicit width ("width" or "size"); -1 when not given
    int height = -1;  // explicit height; -1 when not given
    CSize content;    // natural size (text extent, image size)
    double offsetX = 0;
    double offsetY = 0;
};

// Places every child of one parent. A child without a pos sits at the parent's
// top-left corner with its natural size. References to a missing sibling fall back
// to the parent's near edge; the offset of a sibling is part of the rectangle its
// neighbours refer to. An explicit width or height wins over the far coordinate of a
// four-coordinate pos on that axis.
std::vector<CRect> LayoutChildren(const CRect& parent, const std::vector<LayoutItem>& items);

}  // namespace ui
