// Skins: how a control's image is cut into states and stretched. Two kinds:
//   imglist   N states side by side, each drawn stretched to the target;
//   imgframe  N states side by side, each drawn as a nine-part frame whose corners
//             (left/top/right/bottom margins) keep their size.
// A skin whose image is missing is empty and draws nothing.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "ui/canvas.h"

namespace ui {

class CSkin {
public:
    enum class Kind { ImageList, Frame };

    // Attributes as the skin table gives them: "name", "src", "states", "left", "top",
    // "right", "bottom" or "margin" ("l,t,r,b"). Unknown attributes are ignored.
    CSkin(Kind kind, const std::map<std::wstring, std::wstring>& attrs);

    Kind GetKind() const { return kind_; }
    const std::wstring& Name() const { return name_; }
    const std::wstring& Source() const { return src_; }
    int States() const { return states_; }
    void SetImage(CPixmap image) { image_ = std::move(image); }
    const CPixmap& Image() const { return image_; }
    bool IsEmpty() const { return image_.IsEmpty(); }
    void Margins(int* l, int* t, int* r, int* b) const {
        *l = left_, *t = top_, *r = right_, *b = bottom_;
    }

    // The size of one state (the image's width divided by the state count).
    CSize StateSize() const;
    // The source rectangle of `state`; states beyond the last use the last one.
    CRect StateRect(int state) const;

    void Draw(CCanvas* canvas, const CRect& dst, int state, const CRect& clip,
              int opacity = 255) const;

private:
    Kind kind_;
    std::wstring name_;
    std::wstring src_;
    int states_ = 1;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    CPixmap image_;
};

// The skin kind named by a skin table element ("imglist", "imgframe"); false for
// anything else.
bool SkinKindFromElement(const std::wstring& element, CSkin::Kind* kind);

}  // namespace ui
