#include "ui/host_window.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/app.h"
#include "ui/skin.h"
#include "ui/text_render.h"
#include "ui/xml_util.h"

namespace ui {

namespace {

const UINT_PTR kFrameTimer = 0x5F1;
// One frame: changes arriving faster than this are drawn together.
const UINT kFrameMs = 16;

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t\r\n");
    if (b == std::wstring::npos)
        return std::wstring();
    size_t e = s.find_last_not_of(L" \t\r\n");
    return s.substr(b, e - b + 1);
}

void BuildChildren(const pugi::xml_node& node, CControl* parent, CApp* app) {
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        std::wstring kind = n.name();
        std::unique_ptr<CControl> control =
            app && app->Registry() ? app->Registry()->Create(kind) : nullptr;
        if (!control) {
            DebugTrace(L"layout: unknown control kind <" + kind + L">, skipped with its children");
            continue;
        }
        CControl* c = control.get();
        parent->AddChild(std::move(control));
        // Defaults of the kind, then the style class, then the element's own values.
        if (app) {
            auto defaults = app->UiDef().objattr.find(kind);
            if (defaults != app->UiDef().objattr.end())
                for (const auto& a : defaults->second)
                    c->SetAttribute(a.first, a.second, true);
            std::wstring cls = n.attribute(L"class").value();
            auto style = app->UiDef().styles.find(cls);
            if (!cls.empty() && style != app->UiDef().styles.end())
                for (const auto& a : style->second)
                    c->SetAttribute(a.first, a.second, true);
        }
        for (const auto& a : AttributeList(n))
            if (!c->SetAttribute(a.first, a.second, true))
                DebugTrace(L"layout: <" + kind + L"> has no attribute " + a.first + L", ignored");
        std::wstring text = Trim(n.child_value());
        if (!text.empty())
            c->SetText(app ? app->ResolveValue(text) : text);
        if (c->Id() == 0 && !c->Name().empty() && app)
            c->SetId(app->NamedIds().IdOf(c->Name()));
        BuildChildren(n, c, app);
    }
}

}  // namespace

CHostWnd::CHostWnd(const wchar_t* layoutRef) : layoutRef_(layoutRef ? layoutRef : L"") {}

CHostWnd::~CHostWnd() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    FreeSurface();
    if (bigIconHandle_)
        DestroyIcon(bigIconHandle_);
    if (smallIconHandle_)
        DestroyIcon(smallIconHandle_);
}

HWND CHostWnd::Create(HWND owner, int x, int y, int cx, int cy) {
    CApp* app = CApp::Get();
    std::vector<uint8_t> xml;
    if (!app || !app->LoadResource(layoutRef_, &xml)) {
        DebugTrace(L"host: layout not found: " + layoutRef_);
        return nullptr;
    }
    return CreateFromXml(xml, owner, x, y, cx, cy);
}

HWND CHostWnd::CreateFromXml(const std::vector<uint8_t>& xml, HWND owner, int x, int y, int cx,
                             int cy) {
    CApp* app = CApp::Get();
    if (m_hWnd || !app || !BuildFromXml(xml))
        return nullptr;
    if (cx <= 0)
        cx = width_;
    if (cy <= 0)
        cy = height_;
    DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_APPWINDOW | (translucent_ ? WS_EX_LAYERED : 0);
    CreateWindowExW(exStyle, app->HostClassName().c_str(), title_.c_str(), style, x, y, cx, cy,
                    owner, nullptr, app->Instance(), this);
    if (!m_hWnd)
        return nullptr;
    RenderNow();
    return m_hWnd;
}

bool CHostWnd::BuildFromXml(const std::vector<uint8_t>& xml) {
    pugi::xml_document doc;
    if (!LoadXml(xml, &doc)) {
        DebugTrace(L"host: layout does not parse");
        return false;
    }
    pugi::xml_node top = doc.document_element();
    for (const auto& a : AttributeList(top))
        ApplyHostAttribute(a.first, a.second);
    root_.reset(new CWindow());
    root_->SetHost(this);
    pugi::xml_node rootNode = top.child(L"root");
    if (rootNode) {
        for (const auto& a : AttributeList(rootNode))
            root_->SetAttribute(a.first, a.second, true);
        BuildChildren(rootNode, root_.get(), CApp::Get());
    }
    // Controls with a tip get a tool of the tool-tip window.
    std::vector<CControl*> stack{root_.get()};
    while (!stack.empty()) {
        CControl* c = stack.back();
        stack.pop_back();
        if (!c->ToolTip().empty())
            tipControls_.push_back(c);
        for (auto it = c->Children().rbegin(); it != c->Children().rend(); ++it)
            stack.push_back(it->get());
    }
    layoutPending_ = true;
    return true;
}

void CHostWnd::ApplyHostAttribute(const std::wstring& name, const std::wstring& value) {
    CApp* app = CApp::Get();
    if (name == L"name")
        name_ = value;
    else if (name == L"title")
        title_ = app ? app->ResolveValue(value) : value;
    else if (name == L"bigIcon")
        bigIcon_ = value;
    else if (name == L"smallIcon")
        smallIcon_ = value;
    else if (name == L"width")
        width_ = ParseInt(value, 0);
    else if (name == L"height")
        height_ = ParseInt(value, 0);
    else if (name == L"size") {
        std::vector<double> v = ParseNumberList(value);
        if (v.size() == 2)
            width_ = static_cast<int>(v[0]), height_ = static_cast<int>(v[1]);
    } else if (name == L"margin") {
        std::vector<double> v = ParseNumberList(value);
        if (v.size() == 4)
            for (int i = 0; i < 4; ++i)
                margin_[i] = std::max(0, static_cast<int>(v[i]));
    } else if (name == L"resizable")
        resizable_ = ParseBool(value, false);
    else if (name == L"appWnd")
        appWnd_ = ParseBool(value, false);
    else if (name == L"translucent")
        translucent_ = ParseBool(value, false);
    else if (name == L"wndType") {
    } else
        DebugTrace(L"layout: host has no attribute " + name + L", ignored");
}

CControl* CHostWnd::FindChildByName(const std::wstring& name) const {
    return root_ ? root_->FindChildByName(name) : nullptr;
}

LRESULT CHostWnd::SendMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return m_hWnd ? ::SendMessageW(m_hWnd, msg, wp, lp) : 0;
}

BOOL CHostWnd::ShowWindow(int cmd) {
    return m_hWnd ? ::ShowWindow(m_hWnd, cmd) : FALSE;
}

BOOL CHostWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

void CHostWnd::CenterWindow() {
    if (!m_hWnd)
        return;
    RECT wr;
    GetWindowRect(m_hWnd, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    const RECT& work = mi.rcWork;
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    int x = work.left + ((work.right - work.left) - w) / 2;
    int y = work.top + ((work.bottom - work.top) - h) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- drawing -----------------------------------------------------------------------

void CHostWnd::ScheduleFrame() {
    if (m_hWnd && !framePending_) {
        framePending_ = true;
        SetTimer(m_hWnd, kFrameTimer, kFrameMs, nullptr);
    }
}

void CHostWnd::MarkDirty() {
    fullDirty_ = true;
    ScheduleFrame();
}

void CHostWnd::InvalidateRect(const CRect& rect, bool schedule) {
    if (!rect.IsEmpty()) {
        if (dirtyRect_.IsEmpty()) {
            dirtyRect_ = rect;
        } else {
            dirtyRect_ = CRect(
                std::min(dirtyRect_.left, rect.left), std::min(dirtyRect_.top, rect.top),
                std::max(dirtyRect_.right, rect.right), std::max(dirtyRect_.bottom, rect.bottom));
        }
    }
    if (schedule)
        ScheduleFrame();
}

void CHostWnd::RequestLayout() {
    layoutPending_ = true;
    MarkDirty();
}

void CHostWnd::OnControlStateChanged(CControl* control) {
    // A control that disappears under the mouse loses its hover and press.
    if (!control->IsVisible(true)) {
        for (CControl* c = hover_; c; c = c->Parent())
            if (c == control) {
                SetHoverControl(nullptr);
                break;
            }
        for (CControl* c = pressed_; c; c = c->Parent())
            if (c == control) {
                pressed_ = nullptr;
                break;
            }
    }
}

void CHostWnd::Layout() {
    if (!root_ || !m_hWnd)
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    root_->SetRect(CRect(0, 0, rc.right, rc.bottom));
    layoutPending_ = false;
    UpdateToolTips();
}

bool CHostWnd::EnsureSurface(int width, int height) {
    if (surface_ && canvas_.width == width && canvas_.height == height)
        return true;
    FreeSurface();
    if (width <= 0 || height <= 0)
        return false;
    void* bits = nullptr;
    surfaceDc_ = CreateCompatibleDC(nullptr);
    surface_ = surfaceDc_ ? CreateCanvasBitmap(surfaceDc_, width, height, &bits) : nullptr;
    if (!surface_ || !bits) {
        FreeSurface();
        return false;
    }
    oldSurface_ = SelectObject(surfaceDc_, surface_);
    canvas_.width = width;
    canvas_.height = height;
    canvas_.pixels = static_cast<uint32_t*>(bits);
    return true;
}

void CHostWnd::FreeSurface() {
    if (surfaceDc_ && oldSurface_)
        SelectObject(surfaceDc_, oldSurface_);
    if (surface_)
        DeleteObject(surface_);
    if (surfaceDc_)
        DeleteDC(surfaceDc_);
    surfaceDc_ = nullptr;
    surface_ = nullptr;
    oldSurface_ = nullptr;
    canvas_ = CCanvas();
}

void CHostWnd::RenderNow() {
    if (!m_hWnd || !root_)
        return;
    if (framePending_) {
        KillTimer(m_hWnd, kFrameTimer);
        framePending_ = false;
    }
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (rc.right != root_->GetWindowRect().right || rc.bottom != root_->GetWindowRect().bottom)
        layoutPending_ = true;
    if (layoutPending_)
        Layout();
    if (!EnsureSurface(rc.right, rc.bottom))
        return;
    ClearCanvas(&canvas_);
    root_->Paint(&canvas_, canvas_.Bounds());
    fullDirty_ = false;
    dirtyRect_ = CRect();
    Present(canvas_.Bounds());
}

void CHostWnd::RenderPending() {
    if (!m_hWnd || !root_)
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (fullDirty_ || layoutPending_ || !surface_ || rc.right != canvas_.width ||
        rc.bottom != canvas_.height) {
        RenderNow();
        return;
    }
    // Only the marked part is drawn again and handed to the system: a moving progress
    // bar costs its own few pixels, not the whole window.
    CRect clip = dirtyRect_.Intersect(canvas_.Bounds());
    dirtyRect_ = CRect();
    if (clip.IsEmpty())
        return;
    ClearRect(&canvas_, clip);
    root_->Paint(&canvas_, clip);
    Present(clip);
}

void CHostWnd::Present(const CRect& dirty) {
    GdiFlush();
    ++renderCount_;
    if (translucent_) {
        POINT src{0, 0};
        SIZE size{canvas_.width, canvas_.height};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        RECT part{dirty.left, dirty.top, dirty.right, dirty.bottom};
        UPDATELAYEREDWINDOWINFO info{};
        info.cbSize = sizeof(info);
        info.psize = &size;
        info.hdcSrc = surfaceDc_;
        info.pptSrc = &src;
        info.pblend = &blend;
        info.dwFlags = ULW_ALPHA;
        info.prcDirty = &part;
        if (!UpdateLayeredWindowIndirect(m_hWnd, &info)) {
            HDC screen = GetDC(nullptr);
            UpdateLayeredWindow(m_hWnd, screen, nullptr, &size, surfaceDc_, &src, 0, &blend,
                                ULW_ALPHA);
            ReleaseDC(nullptr, screen);
        }
    } else {
        HDC dc = GetDC(m_hWnd);
        BitBlt(dc, dirty.left, dirty.top, dirty.Width(), dirty.Height(), surfaceDc_, dirty.left,
               dirty.top, SRCCOPY);
        ReleaseDC(m_hWnd, dc);
    }
}

// --- tool tips ---------------------------------------------------------------------

void CHostWnd::UpdateToolTips() {
    if (!m_hWnd || tipControls_.empty())
        return;
    CApp* app = CApp::Get();
    if (!tooltip_) {
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                   app ? app->Instance() : nullptr, nullptr);
        if (!tooltip_)
            return;
        for (size_t i = 0; i < tipControls_.size(); ++i) {
            TTTOOLINFOW ti{};
            ti.cbSize = TTTOOLINFOW_V2_SIZE;
            ti.uFlags = TTF_SUBCLASS;
            ti.hwnd = m_hWnd;
            ti.uId = i + 1;
            ti.lpszText = const_cast<wchar_t*>(tipControls_[i]->ToolTip().c_str());
            ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
    for (size_t i = 0; i < tipControls_.size(); ++i) {
        const CRect& r = tipControls_[i]->GetWindowRect();
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = m_hWnd;
        ti.uId = i + 1;
        ti.rect = RECT{r.left, r.top, r.right, r.bottom};
        ::SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

// --- mouse -------------------------------------------------------------------------

bool CHostWnd::IsInCaption(CControl* control) const {
    for (CControl* c = control; c; c = c->Parent())
        if (dynamic_cast<CCaption*>(c))
            return true;
    return false;
}

void CHostWnd::SetHoverControl(CControl* control) {
    if (hover_ == control)
        return;
    if (hover_)
        hover_->SetHover(false);
    hover_ = control;
    if (hover_)
        hover_->SetHover(true);
}

void CHostWnd::OnMouseMove(int x, int y) {
    if (dragging_) {
        DWORD pos = GetMessagePos();
        int dx = GET_X_LPARAM(pos) - dragStart_.x, dy = GET_Y_LPARAM(pos) - dragStart_.y;
        SetWindowPos(m_hWnd, nullptr, windowStart_.x + dx, windowStart_.y + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
        tracking_ = TrackMouseEvent(&tme) != FALSE;
    }
    CControl* hit = root_ ? root_->HitTest(x, y) : nullptr;
    if (pressed_) {
        // While pressed, only the pressed control shows hover, and only under the mouse.
        SetHoverControl(pressed_->GetWindowRect().Contains(x, y) ? pressed_ : nullptr);
        pressed_->SetPressed(pressed_->GetWindowRect().Contains(x, y));
        return;
    }
    SetHoverControl(hit);
}

void CHostWnd::OnButtonDown(int x, int y) {
    CControl* hit = root_ ? root_->HitTest(x, y) : nullptr;
    if (!hit)
        return;
    if (hit->IsClickable()) {
        if (hit->IsDisabled(true))
            return;
        pressed_ = hit;
        SetHoverControl(hit);
        hit->SetPressed(true);
        SetCapture(m_hWnd);
    } else if (IsInCaption(hit)) {
        DWORD pos = GetMessagePos();
        dragStart_ = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
        RECT wr;
        GetWindowRect(m_hWnd, &wr);
        windowStart_ = POINT{wr.left, wr.top};
        dragging_ = true;
        SetCapture(m_hWnd);
    }
}

void CHostWnd::OnButtonUp(int x, int y) {
    if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
        return;
    }
    CControl* c = pressed_;
    if (!c)
        return;
    pressed_ = nullptr;
    c->SetPressed(false);
    ReleaseCapture();
    if (c->GetWindowRect().Contains(x, y) && c->IsVisible(true) && !c->IsDisabled(true)) {
        c->OnClick();
        FireCommand(c);
    }
}

void CHostWnd::FireCommand(CControl* control) {
    CEventArgs evt;
    evt.code = EVT_CMD;
    evt.nameFrom = control->Name();
    evt.idFrom = control->Id();
    evt.sender = control;
    OnCommand(&evt);
}

void CHostWnd::Click(int x, int y) {
    LPARAM lp = MAKELPARAM(x, y);
    SendMessage(WM_MOUSEMOVE, 0, lp);
    SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, lp);
    SendMessage(WM_LBUTTONUP, 0, lp);
}

LRESULT CHostWnd::HitTestFrame(int x, int y) const {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    bool l = x < margin_[0], t = y < margin_[1];
    bool r = x >= rc.right - margin_[2], b = y >= rc.bottom - margin_[3];
    if (t && l)
        return HTTOPLEFT;
    if (t && r)
        return HTTOPRIGHT;
    if (b && l)
        return HTBOTTOMLEFT;
    if (b && r)
        return HTBOTTOMRIGHT;
    if (l)
        return HTLEFT;
    if (r)
        return HTRIGHT;
    if (t)
        return HTTOP;
    if (b)
        return HTBOTTOM;
    return HTCLIENT;
}

// --- messages ----------------------------------------------------------------------

LRESULT CALLBACK CHostWnd::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CHostWnd* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<CHostWnd*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CHostWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    if (self->ProcessWindowMessage(hwnd, msg, wp, lp, result))
        return result;
    return self->HandleMessage(msg, wp, lp);
}

LRESULT CHostWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = m_hWnd;
    switch (msg) {
        case WM_CREATE: {
            CApp* app = CApp::Get();
            if (app) {
                bigIconHandle_ = app->LoadIconRef(bigIcon_);
                smallIconHandle_ = app->LoadIconRef(smallIcon_);
            }
            if (bigIconHandle_)
                ::SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                               reinterpret_cast<LPARAM>(bigIconHandle_));
            if (smallIconHandle_)
                ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
                               reinterpret_cast<LPARAM>(smallIconHandle_));
            return 0;
        }
        case WM_TIMER:
            if (wp == kFrameTimer) {
                KillTimer(hwnd, kFrameTimer);
                framePending_ = false;
                RenderPending();
                return 0;
            }
            break;
        case WM_SIZE:
            RequestLayout();
            break;
        case WM_SHOWWINDOW:
            if (wp)
                RenderNow();
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (!translucent_ && surfaceDc_)
                BitBlt(dc, 0, 0, canvas_.width, canvas_.height, surfaceDc_, 0, 0, SRCCOPY);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_NCHITTEST: {
            if (!resizable_ || IsZoomed(hwnd))
                return HTCLIENT;
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(hwnd, &p);
            return HitTestFrame(p.x, p.y);
        }
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                for (CControl* c = hover_; c; c = c->Parent())
                    if (c->Cursor() == L"hand") {
                        SetCursor(LoadCursorW(nullptr, IDC_HAND));
                        return TRUE;
                    }
                SetCursor(LoadCursorW(nullptr, IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_LBUTTONDOWN:
            OnButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (!pressed_ && !dragging_)
                SetHoverControl(nullptr);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd) {
                dragging_ = false;
                if (pressed_) {
                    pressed_->SetPressed(false);
                    pressed_ = nullptr;
                }
            }
            return 0;
        case WM_DESTROY: {
            KillTimer(hwnd, kFrameTimer);
            framePending_ = false;
            if (tooltip_) {
                ::DestroyWindow(tooltip_);
                tooltip_ = nullptr;
            }
            CApp* app = CApp::Get();
            if (appWnd_ || (app && app->GetMainWnd() == hwnd))
                PostQuitMessage(1);
            return 0;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            m_hWnd = nullptr;
            hover_ = pressed_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace ui
