// The host window: a top-level window of class "SOUIHOST" built from a layout, with
// per-pixel alpha through a layered window when the layout asks for "translucent".
//
// Repaints are coalesced: a change marks the window dirty and returns at once; the
// window is drawn by a frame timer, at most once per frame. Everything here runs on
// the UI thread that created the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace ui {

class CHostWnd {
public:
    // `layoutRef` names the layout resource ("LAYOUT:XML_MAINWND").
    explicit CHostWnd(const wchar_t* layoutRef);
    virtual ~CHostWnd();
    CHostWnd(const CHostWnd&) = delete;
    CHostWnd& operator=(const CHostWnd&) = delete;

    // Builds the control tree from the layout resource and creates the (hidden)
    // window at x,y; a size of 0 takes the layout's. nullptr when the layout does not
    // load or the window cannot be created.
    HWND Create(HWND owner, int x = 0, int y = 0, int cx = 0, int cy = 0);
    // The same from layout bytes held by the caller.
    HWND CreateFromXml(const std::vector<uint8_t>& xml, HWND owner, int x = 0, int y = 0,
                       int cx = 0, int cy = 0);

    HWND m_hWnd = nullptr;

    CControl* GetRoot() const { return root_.get(); }
    CControl* FindChildByName(const std::wstring& name) const;
    template <class T>
    T* FindChildByName2(const std::wstring& name) const {
        return ui::FindChildByName2<T>(root_.get(), name);
    }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    BOOL ShowWindow(int cmd);
    BOOL DestroyWindow();
    // Centres the window on the work area of the monitor nearest to it.
    void CenterWindow();

    // Layout attributes of the host.
    const std::wstring& Title() const { return title_; }
    bool IsTranslucent() const { return translucent_; }
    bool IsAppWnd() const { return appWnd_; }
    bool IsResizable() const { return resizable_; }

    // Marks the whole window for drawing at the next frame; returns at once.
    void MarkDirty();
    // Marks a part of the window (client coordinates) for drawing at the next frame;
    // returns at once. Without `schedule` no frame is asked for: the change shows with
    // the next drawing.
    void InvalidateRect(const CRect& rect, bool schedule = true);
    // Lays the controls out again before the next drawing.
    void RequestLayout();
    // Draws the whole window now, whether dirty or not.
    void RenderNow();
    // Draws now what was marked since the last drawing (what the frame timer does).
    void RenderPending();
    // How many times the window has been drawn.
    int RenderCount() const { return renderCount_; }

    // Called by controls whose visibility changed.
    void OnControlStateChanged(CControl* control);

    // A client-coordinate click at x,y as the mouse would give it (press and release).
    void Click(int x, int y);

protected:
    // Called for every event a control raises. True when handled.
    virtual bool OnCommand(CEventArgs* evt) {
        (void)evt;
        return false;
    }
    // Called for every window message before the host's own handling. Return TRUE
    // with `result` set to stop the message there.
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        (void)hwnd, (void)msg, (void)wp, (void)lp, (void)result;
        return FALSE;
    }

public:
    // The window procedure of the host class.
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool BuildFromXml(const std::vector<uint8_t>& xml);
    void ApplyHostAttribute(const std::wstring& name, const std::wstring& value);
    void Layout();
    void ScheduleFrame();
    void Present(const CRect& dirty);
    bool EnsureSurface(int width, int height);
    void FreeSurface();
    void UpdateToolTips();
    void OnMouseMove(int x, int y);
    void OnButtonDown(int x, int y);
    void OnButtonUp(int x, int y);
    void SetHoverControl(CControl* control);
    void FireCommand(CControl* control);
    bool IsInCaption(CControl* control) const;
    LRESULT HitTestFrame(int x, int y) const;

    std::wstring layoutRef_;
    std::unique_ptr<CControl> root_;
    // Host attributes.
    std::wstring name_, title_, bigIcon_, smallIcon_;
    int width_ = 0, height_ = 0;
    int margin_[4] = {0, 0, 0, 0};
    bool resizable_ = false, appWnd_ = false, translucent_ = false;
    // Drawing surface: a top-down 32-bit DIB section.
    HDC surfaceDc_ = nullptr;
    HBITMAP surface_ = nullptr;
    HGDIOBJ oldSurface_ = nullptr;
    CCanvas canvas_;
    bool framePending_ = false, layoutPending_ = true, fullDirty_ = false;
    CRect dirtyRect_;  // empty when nothing but `fullDirty_` is marked
    int renderCount_ = 0;
    // Mouse.
    CControl* hover_ = nullptr;
    CControl* pressed_ = nullptr;
    bool tracking_ = false;
    bool dragging_ = false;
    POINT dragStart_{}, windowStart_{};
    HWND tooltip_ = nullptr;
    std::vector<CControl*> tipControls_;
    HICON bigIconHandle_ = nullptr, smallIconHandle_ = nullptr;
};

}  // namespace ui
