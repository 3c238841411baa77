// The controls a layout can hold. Every control lives on the UI thread: only that
// thread may call these operations, except that reading a check box's state is a
// plain field read.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/attr_value.h"
#include "ui/canvas.h"
#include "ui/position.h"

namespace ui {

class CHostWnd;
class CSkin;

// Event code of a click on a clickable control (a command).
const int EVT_CMD = 10000;

class CControl;

struct CEventArgs {
    int code = 0;
    std::wstring nameFrom;  // name of the control that raised the event
    int idFrom = 0;         // its ID
    CControl* sender = nullptr;
    bool handled = false;
};

class CControl {
public:
    CControl() {}
    virtual ~CControl() {}
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    // The layout element name of this kind.
    virtual const wchar_t* Kind() const { return L"window"; }

    // Tree.
    CControl* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<CControl>>& Children() const { return children_; }
    void AddChild(std::unique_ptr<CControl> child);
    void SetHost(CHostWnd* host);
    CHostWnd* Host() const { return host_; }

    const std::wstring& Name() const { return name_; }
    int Id() const { return id_; }
    void SetId(int id) { id_ = id; }

    // Sets one attribute by its layout name. False (nothing changed) for an attribute
    // this kind does not know. Outside loading the control is laid out and redrawn.
    bool SetAttribute(const std::wstring& name, const std::wstring& value, bool loading = false);

    void SetText(const std::wstring& text);
    const std::wstring& GetText() const { return text_; }

    // Shows or hides the control; with `redraw` the window is drawn at the next frame,
    // without it the change shows with the next drawing anyway.
    void SetVisible(bool visible, bool redraw = false);
    // With `checkParents`, hidden also when an ancestor is hidden.
    bool IsVisible(bool checkParents = false) const;
    void EnableWindow(bool enable, bool redraw = false);
    // With `checkParents`, disabled also when an ancestor is disabled.
    bool IsDisabled(bool checkParents = false) const;

    const CRect& GetWindowRect() const { return rect_; }
    const std::wstring& ToolTip() const { return tip_; }
    const std::wstring& Cursor() const { return cursor_; }

    // First control named `name` among the descendants, depth first, or nullptr.
    CControl* FindChildByName(const std::wstring& name);

    // Layout: places this control's children inside its rectangle, recursively.
    void SetRect(const CRect& rect);
    void LayoutChildren();
    virtual CSize ContentSize();
    LayoutItem GetLayoutItem();

    // Drawing: the control, then its children, clipped to its rectangle.
    void Paint(CCanvas* canvas, const CRect& clip);

    // Input, called by the host.
    virtual bool IsClickable() const { return false; }
    CControl* HitTest(int x, int y);
    void SetHover(bool hover);
    void SetPressed(bool pressed);
    // The control's own reaction to a click, before the command event is raised.
    virtual void OnClick() {}

    // Requests a redraw at the next frame.
    void Invalidate();

protected:
    // The attributes of one kind; false when the kind does not know the name.
    virtual bool OnAttribute(const std::wstring& name, const std::wstring& value);
    virtual void PaintSelf(CCanvas* canvas, const CRect& clip);
    // Draws `text` in this control's font and colour for its state.
    void PaintText(CCanvas* canvas, const CRect& rect, const std::wstring& text, unsigned format,
                   const CRect& clip);
    CSize MeasureText(const std::wstring& text);
    FontSpec CurrentFont() const;
    Argb CurrentTextColor() const;
    const CSkin* skin_ = nullptr;
    bool hover_ = false;
    bool pressed_ = false;

private:
    friend class CHostWnd;
    CControl* parent_ = nullptr;
    CHostWnd* host_ = nullptr;
    std::vector<std::unique_ptr<CControl>> children_;
    std::wstring name_;
    int id_ = 0;
    std::wstring text_;
    std::wstring tip_;
    std::wstring cursor_;
    PosSpec pos_;
    int width_ = -1, height_ = -1;
    double offsetX_ = 0, offsetY_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    FontSpec font_, fontHover_;
    bool hasFontHover_ = false;
    Argb colorText_ = 0xFF000000, colorTextHover_ = 0, colorTextDisable_ = 0;
    bool hasTextHover_ = false, hasTextDisable_ = false;
    Argb colorBorder_ = 0, colorBkgnd_ = 0;
    CRect rect_;
};

class CWindow : public CControl {};

// The band that drags the window.
class CCaption : public CControl {
public:
    const wchar_t* Kind() const override { return L"caption"; }
};

class CText : public CControl {
public:
    const wchar_t* Kind() const override { return L"text"; }
    CSize ContentSize() override;

protected:
    void PaintSelf(CCanvas* canvas, const CRect& clip) override;
};

class CImage : public CControl {
public:
    const wchar_t* Kind() const override { return L"img"; }
    CSize ContentSize() override;
};

// Normal, hover and pressed states from its skin; disabled is drawn faded unless
// the skin has a fourth state.
class CImageButton : public CControl {
public:
    const wchar_t* Kind() const override { return L"imgbtn"; }
    bool IsClickable() const override { return true; }
    CSize ContentSize() override;

protected:
    bool OnAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintSelf(CCanvas* canvas, const CRect& clip) override;
};

// A read-only single-line text field drawn on its frame skin.
class CEdit : public CControl {
public:
    const wchar_t* Kind() const override { return L"edit"; }
    bool IsReadOnly() const { return readOnly_; }

protected:
    bool OnAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintSelf(CCanvas* canvas, const CRect& clip) override;

private:
    bool readOnly_ = false;
};

// Eight skin states: unchecked normal, hover, pressed, disabled, then the same four
// checked. A click toggles the state before the command event.
class CCheckBox : public CControl {
public:
    const wchar_t* Kind() const override { return L"check"; }
    bool IsClickable() const override { return true; }
    bool IsChecked() const { return checked_; }
    void SetCheck(bool checked);
    CSize ContentSize() override;
    void OnClick() override { SetCheck(!checked_); }

protected:
    bool OnAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintSelf(CCanvas* canvas, const CRect& clip) override;

private:
    bool checked_ = false;
};

// Text that opens its "href" with the shell's "open" action when clicked.
class CLink : public CText {
public:
    const wchar_t* Kind() const override { return L"link"; }
    bool IsClickable() const override { return true; }
    const std::wstring& Href() const { return href_; }
    void OnClick() override;

protected:
    bool OnAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    std::wstring href_;
};

class CProgress : public CControl {
public:
    const wchar_t* Kind() const override { return L"progress"; }
    // Clamped to the range; marks the window for the next frame and returns at once.
    void SetValue(int value);
    int GetValue() const { return value_; }
    void SetRange(int min, int max);

protected:
    bool OnAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintSelf(CCanvas* canvas, const CRect& clip) override;

private:
    int value_ = 0, min_ = 0, max_ = 100;
    bool showPercent_ = false;
    const CSkin* bkgndSkin_ = nullptr;
    const CSkin* posSkin_ = nullptr;
};

// Makes controls by their layout element name.
class CObjectRegistry {
public:
    typedef std::function<std::unique_ptr<CControl>()> Factory;
    void Register(const std::wstring& kind, Factory factory) {
        factories_[kind] = std::move(factory);
    }
    // nullptr for a kind nobody registered.
    std::unique_ptr<CControl> Create(const std::wstring& kind) const;
    // The registry of the nine built-in kinds.
    static CObjectRegistry* Default();

private:
    std::map<std::wstring, Factory> factories_;
};

// Writes the framework's own diagnostic line to the debugger output.
void DebugTrace(const std::wstring& text);

// Typed lookup: the control named `name` if it is of kind T, else nullptr (with a
// diagnostic line).
template <class T>
T* FindChildByName2(CControl* root, const std::wstring& name) {
    CControl* c = root ? root->FindChildByName(name) : nullptr;
    T* t = dynamic_cast<T*>(c);
    if (!t)
        DebugTrace(L"FindChildByName2: no control of the asked kind named " + name);
    return t;
}

}  // namespace ui
