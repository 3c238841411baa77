#include "ui/skin.h"

#include <algorithm>

#include "ui/attr_value.h"

namespace ui {

CSkin::CSkin(Kind kind, const std::map<std::wstring, std::wstring>& attrs) : kind_(kind) {
    for (const auto& a : attrs) {
        const std::wstring& k = a.first;
        if (k == L"name")
            name_ = a.second;
        else if (k == L"src")
            src_ = a.second;
        else if (k == L"states")
            states_ = std::max(1, ParseInt(a.second, 1));
        else if (k == L"left")
            left_ = ParseInt(a.second, 0);
        else if (k == L"top")
            top_ = ParseInt(a.second, 0);
        else if (k == L"right")
            right_ = ParseInt(a.second, 0);
        else if (k == L"bottom")
            bottom_ = ParseInt(a.second, 0);
        else if (k == L"margin") {
            std::vector<double> m = ParseNumberList(a.second);
            if (m.size() == 4) {
                left_ = static_cast<int>(m[0]), top_ = static_cast<int>(m[1]);
                right_ = static_cast<int>(m[2]), bottom_ = static_cast<int>(m[3]);
            }
        }
    }
}

CSize CSkin::StateSize() const {
    CSize s;
    if (image_.IsEmpty())
        return s;
    s.cx = image_.width / states_;
    s.cy = image_.height;
    return s;
}

CRect CSkin::StateRect(int state) const {
    CSize s = StateSize();
    state = std::max(0, std::min(state, states_ - 1));
    return CRect(state * s.cx, 0, state * s.cx + s.cx, s.cy);
}

void CSkin::Draw(CCanvas* canvas, const CRect& dst, int state, const CRect& clip,
                 int opacity) const {
    if (image_.IsEmpty() || dst.IsEmpty())
        return;
    CRect src = StateRect(state);
    if (kind_ == Kind::Frame)
        DrawNineGrid(canvas, dst, image_, src, left_, top_, right_, bottom_, clip, opacity);
    else
        DrawPixmap(canvas, dst, image_, src, clip, opacity);
}

bool SkinKindFromElement(const std::wstring& element, CSkin::Kind* kind) {
    if (element == L"imglist") {
        *kind = CSkin::Kind::ImageList;
        return true;
    }
    if (element == L"imgframe") {
        *kind = CSkin::Kind::Frame;
        return true;
    }
    return false;
}

}  // namespace ui
