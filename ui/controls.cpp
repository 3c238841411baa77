#include "ui/controls.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/app.h"
#include "ui/host_window.h"
#include "ui/skin.h"
#include "ui/text_render.h"

namespace ui {

namespace {

const int kCheckGap = 5;     // between a check box's box and its text
const int kEditPadding = 8;  // text inset of an edit field

const CSkin* SkinByName(const std::wstring& name) {
    CApp* app = CApp::Get();
    return app ? app->GetSkin(name) : nullptr;
}

bool ParseColorValue(const std::wstring& value, Argb* out) {
    CApp* app = CApp::Get();
    return ParseColor(app ? app->ResolveValue(value) : value, out);
}

}  // namespace

void DebugTrace(const std::wstring& text) {
    std::wstring line = L"[ui] " + text + L"\n";
    OutputDebugStringW(line.c_str());
}

// --- tree --------------------------------------------------------------------

void CControl::AddChild(std::unique_ptr<CControl> child) {
    child->parent_ = this;
    child->SetHost(host_);
    children_.push_back(std::move(child));
}

void CControl::SetHost(CHostWnd* host) {
    host_ = host;
    for (auto& c : children_)
        c->SetHost(host);
}

CControl* CControl::FindChildByName(const std::wstring& name) {
    for (auto& c : children_) {
        if (c->name_ == name)
            return c.get();
        if (CControl* found = c->FindChildByName(name))
            return found;
    }
    return nullptr;
}

void CControl::Invalidate() {
    if (host_)
        host_->InvalidateRect(rect_);
}

// --- attributes ----------------------------------------------------------------

bool CControl::SetAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
    bool known = OnAttribute(name, value);
    if (known && !loading && host_)
        host_->RequestLayout();
    return known;
}

bool CControl::OnAttribute(const std::wstring& name, const std::wstring& value) {
    CApp* app = CApp::Get();
    if (name == L"name")
        name_ = value;
    else if (name == L"id")
        id_ = ParseInt(value, 0);
    else if (name == L"pos") {
        if (!ParsePos(value, &pos_))
            DebugTrace(L"malformed pos: " + value);
    } else if (name == L"offset") {
        std::vector<double> v = ParseNumberList(value);
        if (v.size() == 2)
            offsetX_ = v[0], offsetY_ = v[1];
    } else if (name == L"width")
        width_ = ParseInt(value, -1);
    else if (name == L"height")
        height_ = ParseInt(value, -1);
    else if (name == L"size") {
        std::vector<double> v = ParseNumberList(value);
        if (v.size() == 2)
            width_ = static_cast<int>(v[0]), height_ = static_cast<int>(v[1]);
    } else if (name == L"visible" || name == L"show")
        visible_ = ParseBool(value, true);
    else if (name == L"enable")
        enabled_ = ParseBool(value, true);
    else if (name == L"skin")
        skin_ = SkinByName(value);
    else if (name == L"font")
        font_ = ParseFontSpec(value);
    else if (name == L"fontHover")
        fontHover_ = ParseFontSpec(value), hasFontHover_ = true;
    else if (name == L"colorText")
        ParseColorValue(value, &colorText_);
    else if (name == L"colorTextHover")
        hasTextHover_ = ParseColorValue(value, &colorTextHover_);
    else if (name == L"colorTextDisable")
        hasTextDisable_ = ParseColorValue(value, &colorTextDisable_);
    else if (name == L"colorBorder")
        ParseColorValue(value, &colorBorder_);
    else if (name == L"colorBkgnd")
        ParseColorValue(value, &colorBkgnd_);
    else if (name == L"tip")
        tip_ = app ? app->ResolveValue(value) : value;
    else if (name == L"cursor")
        cursor_ = value;
    else if (name == L"text")
        text_ = app ? app->ResolveValue(value) : value;
    // Accepted and kept by the layout but without effect on drawing here.
    else if (name == L"valign" || name == L"align" || name == L"cache" || name == L"class" ||
             name == L"textMode" || name == L"margin-x" || name == L"drawFocusRect")
        ;
    else
        return false;
    return true;
}

// --- state -----------------------------------------------------------------------

void CControl::SetText(const std::wstring& text) {
    if (text == text_)
        return;
    text_ = text;
    // Text kinds take their size from their text.
    if (pos_.count != 4 && host_)
        host_->RequestLayout();
    Invalidate();
}

void CControl::SetVisible(bool visible, bool redraw) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    if (!visible_)
        hover_ = pressed_ = false;
    if (host_)
        host_->OnControlStateChanged(this);
    if (host_)
        host_->InvalidateRect(rect_, redraw);
}

bool CControl::IsVisible(bool checkParents) const {
    if (!visible_)
        return false;
    return !checkParents || !parent_ || parent_->IsVisible(true);
}

void CControl::EnableWindow(bool enable, bool redraw) {
    if (enabled_ == enable)
        return;
    enabled_ = enable;
    if (!enabled_)
        pressed_ = false;
    if (host_)
        host_->InvalidateRect(rect_, redraw);
}

bool CControl::IsDisabled(bool checkParents) const {
    if (!enabled_)
        return true;
    return checkParents && parent_ && parent_->IsDisabled(true);
}

void CControl::SetHover(bool hover) {
    if (hover_ == hover)
        return;
    hover_ = hover;
    Invalidate();
}

void CControl::SetPressed(bool pressed) {
    if (pressed_ == pressed)
        return;
    pressed_ = pressed;
    Invalidate();
}

// --- layout ------------------------------------------------------------------------

CSize CControl::ContentSize() {
    return skin_ ? skin_->StateSize() : CSize();
}

LayoutItem CControl::GetLayoutItem() {
    LayoutItem item;
    item.pos = pos_;
    item.width = width_;
    item.height = height_;
    if (pos_.count != 4 && (width_ < 0 || height_ < 0))
        item.content = ContentSize();
    item.offsetX = offsetX_;
    item.offsetY = offsetY_;
    return item;
}

void CControl::SetRect(const CRect& rect) {
    rect_ = rect;
    LayoutChildren();
}

void CControl::LayoutChildren() {
    std::vector<LayoutItem> items;
    items.reserve(children_.size());
    for (auto& c : children_)
        items.push_back(c->GetLayoutItem());
    std::vector<CRect> rects = ui::LayoutChildren(rect_, items);
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->SetRect(rects[i]);
}

// --- drawing -----------------------------------------------------------------------

FontSpec CControl::CurrentFont() const {
    const FontSpec& f = (hover_ && hasFontHover_) ? fontHover_ : font_;
    CApp* app = CApp::Get();
    return app ? app->EffectiveFont(f) : f;
}

Argb CControl::CurrentTextColor() const {
    if (IsDisabled(true)) {
        if (hasTextDisable_)
            return colorTextDisable_;
        return (colorText_ & 0x00FFFFFF) | (((colorText_ >> 24) / 2) << 24);
    }
    if (hover_ && hasTextHover_)
        return colorTextHover_;
    return colorText_;
}

CSize CControl::MeasureText(const std::wstring& text) {
    CApp* app = CApp::Get();
    return MeasureTextExtent(app ? app->GetFont(CurrentFont()) : nullptr, text);
}

void CControl::PaintText(CCanvas* canvas, const CRect& rect, const std::wstring& text,
                         unsigned format, const CRect& clip) {
    CApp* app = CApp::Get();
    DrawTextOnCanvas(canvas, rect, text, app ? app->GetFont(CurrentFont()) : nullptr,
                     CurrentTextColor(), format, clip);
}

void CControl::Paint(CCanvas* canvas, const CRect& clip) {
    if (!visible_)
        return;
    CRect inner = rect_.Intersect(clip);
    if (inner.IsEmpty())
        return;
    if (colorBkgnd_ >> 24)
        FillRect(canvas, rect_, colorBkgnd_, inner);
    PaintSelf(canvas, inner);
    for (auto& c : children_)
        c->Paint(canvas, inner);
    if (colorBorder_ >> 24)
        FrameRect(canvas, rect_, colorBorder_, inner);
}

void CControl::PaintSelf(CCanvas* canvas, const CRect& clip) {
    if (skin_)
        skin_->Draw(canvas, rect_, 0, clip);
}

CControl* CControl::HitTest(int x, int y) {
    if (!visible_ || !rect_.Contains(x, y))
        return nullptr;
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        if (CControl* hit = (*it)->HitTest(x, y))
            return hit;
    return this;
}

// --- kinds -------------------------------------------------------------------------

CSize CText::ContentSize() {
    return MeasureText(GetText());
}

void CText::PaintSelf(CCanvas* canvas, const CRect& clip) {
    CControl::PaintSelf(canvas, clip);
    PaintText(canvas, GetWindowRect(), GetText(), DT_LEFT | DT_VCENTER | DT_SINGLELINE, clip);
}

CSize CImage::ContentSize() {
    return skin_ ? skin_->StateSize() : CSize();
}

CSize CImageButton::ContentSize() {
    CSize s = skin_ ? skin_->StateSize() : CSize();
    if (s.cx == 0 && s.cy == 0)
        s = MeasureText(GetText());
    return s;
}

bool CImageButton::OnAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"animate")
        return true;  // state changes are immediate
    return CControl::OnAttribute(name, value);
}

void CImageButton::PaintSelf(CCanvas* canvas, const CRect& clip) {
    bool disabled = IsDisabled(true);
    if (skin_) {
        int state = disabled ? 3 : pressed_ ? 2 : hover_ ? 1 : 0;
        bool fade = disabled && skin_->States() < 4;
        skin_->Draw(canvas, GetWindowRect(), fade ? 0 : state, clip, fade ? 110 : 255);
    }
    CRect r = GetWindowRect();
    if (pressed_ && !disabled)
        r = CRect(r.left, r.top + 1, r.right, r.bottom + 1);
    PaintText(canvas, r, GetText(), DT_CENTER | DT_VCENTER | DT_SINGLELINE, clip);
}

bool CEdit::OnAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"readonly") {
        readOnly_ = ParseBool(value, false);
        return true;
    }
    return CControl::OnAttribute(name, value);
}

void CEdit::PaintSelf(CCanvas* canvas, const CRect& clip) {
    if (skin_)
        skin_->Draw(canvas, GetWindowRect(), IsDisabled(true) ? 2 : hover_ ? 1 : 0, clip);
    CRect r = GetWindowRect().Deflate(kEditPadding, 0, kEditPadding, 0);
    PaintText(canvas, r, GetText(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, clip);
}

void CCheckBox::SetCheck(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    Invalidate();
}

bool CCheckBox::OnAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"checked") {
        checked_ = ParseBool(value, false);
        return true;
    }
    return CControl::OnAttribute(name, value);
}

CSize CCheckBox::ContentSize() {
    CSize box = skin_ ? skin_->StateSize() : CSize();
    CSize text = MeasureText(GetText());
    CSize s;
    s.cx = box.cx + (text.cx ? kCheckGap + text.cx : 0);
    s.cy = std::max(box.cy, text.cy);
    return s;
}

void CCheckBox::PaintSelf(CCanvas* canvas, const CRect& clip) {
    CRect r = GetWindowRect();
    CSize box = skin_ ? skin_->StateSize() : CSize();
    if (skin_) {
        int state = (checked_ ? 4 : 0) + (IsDisabled(true) ? 3 : pressed_ ? 2 : hover_ ? 1 : 0);
        int top = r.top + (r.Height() - box.cy) / 2;
        skin_->Draw(canvas, CRect(r.left, top, r.left + box.cx, top + box.cy), state, clip);
    }
    CRect textRect(r.left + box.cx + kCheckGap, r.top, r.right, r.bottom);
    PaintText(canvas, textRect, GetText(), DT_LEFT | DT_VCENTER | DT_SINGLELINE, clip);
}

bool CLink::OnAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"href") {
        href_ = value;
        return true;
    }
    return CText::OnAttribute(name, value);
}

void CLink::OnClick() {
    if (href_.empty())
        return;
    HWND owner = Host() ? Host()->m_hWnd : nullptr;
    ShellExecuteW(owner, L"open", href_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CProgress::SetValue(int value) {
    value = std::max(min_, std::min(value, max_));
    if (value == value_)
        return;
    value_ = value;
    Invalidate();
}

void CProgress::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    value_ = std::max(min_, std::min(value_, max_));
    Invalidate();
}

bool CProgress::OnAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"value")
        value_ = ParseInt(value, 0);
    else if (name == L"min")
        min_ = ParseInt(value, 0);
    else if (name == L"max")
        max_ = ParseInt(value, 100);
    else if (name == L"showPercent")
        showPercent_ = ParseBool(value, false);
    else if (name == L"bkgndSkin")
        bkgndSkin_ = SkinByName(value);
    else if (name == L"posSkin")
        posSkin_ = SkinByName(value);
    else
        return CControl::OnAttribute(name, value);
    if (max_ < min_)
        max_ = min_;
    value_ = std::max(min_, std::min(value_, max_));
    return true;
}

void CProgress::PaintSelf(CCanvas* canvas, const CRect& clip) {
    CRect r = GetWindowRect();
    if (bkgndSkin_)
        bkgndSkin_->Draw(canvas, r, 0, clip);
    if (posSkin_ && max_ > min_ && value_ > min_) {
        CSize frg = posSkin_->StateSize();
        // The bar sits centred in the groove, as tall as its own image.
        int h = std::min(r.Height(), frg.cy > 0 ? frg.cy : r.Height());
        int top = r.top + (r.Height() - h) / 2;
        int w =
            static_cast<int>(static_cast<long long>(r.Width()) * (value_ - min_) / (max_ - min_));
        posSkin_->Draw(canvas, CRect(r.left, top, r.left + w, top + h), 0, clip);
    }
    if (showPercent_) {
        wchar_t buf[16];
        swprintf(buf, 16, L"%d%%", max_ > min_ ? (value_ - min_) * 100 / (max_ - min_) : 0);
        PaintText(canvas, r, buf, DT_CENTER | DT_VCENTER | DT_SINGLELINE, clip);
    }
}

// --- registry ----------------------------------------------------------------------

std::unique_ptr<CControl> CObjectRegistry::Create(const std::wstring& kind) const {
    auto it = factories_.find(kind);
    if (it == factories_.end())
        return nullptr;
    return it->second();
}

CObjectRegistry* CObjectRegistry::Default() {
    static CObjectRegistry* registry = [] {
        CObjectRegistry* r = new CObjectRegistry();
        r->Register(L"window", [] { return std::unique_ptr<CControl>(new CWindow()); });
        r->Register(L"caption", [] { return std::unique_ptr<CControl>(new CCaption()); });
        r->Register(L"text", [] { return std::unique_ptr<CControl>(new CText()); });
        r->Register(L"imgbtn", [] { return std::unique_ptr<CControl>(new CImageButton()); });
        r->Register(L"img", [] { return std::unique_ptr<CControl>(new CImage()); });
        r->Register(L"edit", [] { return std::unique_ptr<CControl>(new CEdit()); });
        r->Register(L"check", [] { return std::unique_ptr<CControl>(new CCheckBox()); });
        r->Register(L"link", [] { return std::unique_ptr<CControl>(new CLink()); });
        r->Register(L"progress", [] { return std::unique_ptr<CControl>(new CProgress()); });
        return r;
    }();
    return registry;
}

}  // namespace ui
