#include "ui/position.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

namespace ui {

namespace {

bool ParseCoord(const std::wstring& raw, bool allowSize, PosCoord* out) {
    size_t i = 0, n = raw.size();
    while (i < n && std::iswspace(raw[i]))
        ++i;
    while (n > i && std::iswspace(raw[n - 1]))
        --n;
    if (i == n)
        return false;
    PosCoord c;
    switch (raw[i]) {
        case L'|':
            c.anchor = PosAnchor::Center;
            ++i;
            break;
        case L'%':
            c.anchor = PosAnchor::Percent;
            ++i;
            break;
        case L'[':
            c.anchor = PosAnchor::PrevFar;
            ++i;
            break;
        case L'{':
            c.anchor = PosAnchor::PrevNear;
            ++i;
            break;
        case L']':
            c.anchor = PosAnchor::NextNear;
            ++i;
            break;
        case L'}':
            c.anchor = PosAnchor::NextFar;
            ++i;
            break;
        case L'@':
            if (!allowSize)
                return false;
            c.anchor = PosAnchor::Size;
            ++i;
            break;
        default:
            break;
    }
    if (i < n && (raw[i] == L'-' || raw[i] == L'+')) {
        c.negative = raw[i] == L'-';
        ++i;
    }
    if (i == n || !(std::iswdigit(raw[i]) || raw[i] == L'.'))
        return false;
    std::wstring number = raw.substr(i, n - i);
    wchar_t* end = nullptr;
    double value = std::wcstod(number.c_str(), &end);
    if (end == number.c_str() || *end != L'\0' || !std::isfinite(value))
        return false;
    c.value = value;
    *out = c;
    return true;
}

struct Span {
    int near = 0;
    int far = 0;
};

struct AxisContext {
    Span parent;
    const Span* prev;  // nullptr when there is no previous sibling
    const Span* next;  // nullptr when there is no next sibling
};

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

// The position one coordinate names on one axis.
int Resolve(const PosCoord& c, const AxisContext& ctx) {
    const double signedValue = c.negative ? -c.value : c.value;
    const int p0 = ctx.parent.near, p1 = ctx.parent.far;
    switch (c.anchor) {
        case PosAnchor::Edge:
            return c.negative ? p1 - Round(c.value) : p0 + Round(c.value);
        case PosAnchor::Center:
            return p0 + (p1 - p0) / 2 + Round(signedValue);
        case PosAnchor::Percent: {
            int part = Round((p1 - p0) * c.value / 100.0);
            return c.negative ? p1 - part : p0 + part;
        }
        case PosAnchor::PrevFar:
            return (ctx.prev ? ctx.prev->far : p0) + Round(signedValue);
        case PosAnchor::PrevNear:
            return (ctx.prev ? ctx.prev->near : p0) + Round(signedValue);
        case PosAnchor::NextNear:
            return (ctx.next ? ctx.next->near : p1) + Round(signedValue);
        case PosAnchor::NextFar:
            return (ctx.next ? ctx.next->far : p1) + Round(signedValue);
        case PosAnchor::Size:
            break;  // only meaningful as a far coordinate, handled by the caller
    }
    return p0;
}

bool RefersToPrev(const PosSpec& p) {
    for (int i = 0; i < p.count; ++i)
        if (p.coord[i].anchor == PosAnchor::PrevFar || p.coord[i].anchor == PosAnchor::PrevNear)
            return true;
    return false;
}

bool RefersToNext(const PosSpec& p) {
    for (int i = 0; i < p.count; ++i)
        if (p.coord[i].anchor == PosAnchor::NextFar || p.coord[i].anchor == PosAnchor::NextNear)
            return true;
    return false;
}

CRect Place(const CRect& parent, const LayoutItem& item, const CRect* prev, const CRect* next) {
    Span prevX, prevY, nextX, nextY;
    if (prev)
        prevX = {prev->left, prev->right}, prevY = {prev->top, prev->bottom};
    if (next)
        nextX = {next->left, next->right}, nextY = {next->top, next->bottom};
    AxisContext ax{{parent.left, parent.right}, prev ? &prevX : nullptr, next ? &nextX : nullptr};
    AxisContext ay{{parent.top, parent.bottom}, prev ? &prevY : nullptr, next ? &nextY : nullptr};

    const PosSpec& p = item.pos;
    CRect r;
    if (p.count == 0) {
        r.left = parent.left;
        r.top = parent.top;
    } else {
        r.left = Resolve(p.coord[0], ax);
        r.top = Resolve(p.coord[1], ay);
    }
    int w = item.width >= 0 ? item.width : item.content.cx;
    int h = item.height >= 0 ? item.height : item.content.cy;
    if (p.count == 4) {
        const PosCoord& cr = p.coord[2];
        const PosCoord& cb = p.coord[3];
        r.right = cr.anchor == PosAnchor::Size ? r.left + Round(cr.value) : Resolve(cr, ax);
        r.bottom = cb.anchor == PosAnchor::Size ? r.top + Round(cb.value) : Resolve(cb, ay);
        if (item.width >= 0)
            r.right = r.left + item.width;
        if (item.height >= 0)
            r.bottom = r.top + item.height;
    } else {
        r.right = r.left + w;
        r.bottom = r.top + h;
    }
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;

    int dx = Round(item.offsetX * r.Width());
    int dy = Round(item.offsetY * r.Height());
    r.left += dx, r.right += dx;
    r.top += dy, r.bottom += dy;
    return r;
}

}  // namespace

bool ParsePos(const std::wstring& text, PosSpec* out) {
    *out = PosSpec();
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(L',', start);
        parts.push_back(
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 2 && parts.size() != 4)
        return false;
    PosSpec spec;
    spec.count = static_cast<int>(parts.size());
    for (int i = 0; i < spec.count; ++i)
        if (!ParseCoord(parts[i], i >= 2, &spec.coord[i]))
            return false;
    *out = spec;
    return true;
}

std::vector<CRect> LayoutChildren(const CRect& parent, const std::vector<LayoutItem>& items) {
    const size_t n = items.size();
    std::vector<CRect> rects(n);
    std::vector<bool> done(n, false);
    size_t remaining = n;
    // Siblings may refer to each other in either direction: place whatever has its
    // neighbours placed, pass after pass; a cycle is broken by treating the unplaced
    // neighbour as missing.
    bool breakCycles = false;
    while (remaining > 0) {
        bool progress = false;
        for (size_t i = 0; i < n; ++i) {
            if (done[i])
                continue;
            const PosSpec& p = items[i].pos;
            bool havePrev = i > 0 && done[i - 1];
            bool haveNext = i + 1 < n && done[i + 1];
            bool prevReady = !RefersToPrev(p) || i == 0 || havePrev;
            bool nextReady = !RefersToNext(p) || i + 1 == n || haveNext;
            if (!breakCycles && !(prevReady && nextReady))
                continue;
            rects[i] = Place(parent, items[i], havePrev ? &rects[i - 1] : nullptr,
                             haveNext ? &rects[i + 1] : nullptr);
            done[i] = true;
            --remaining;
            progress = true;
            breakCycles = false;
        }
        if (!progress)
            breakCycles = true;
    }
    return rects;
}

}  // namespace ui
