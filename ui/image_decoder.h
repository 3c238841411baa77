// Image decoders selectable by name and the render factory that holds the one in use.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ui/canvas.h"

namespace ui {

class IImgDecoder {
public:
    virtual ~IImgDecoder() {}
    virtual const wchar_t* Name() const = 0;
    // Decodes an encoded image (PNG and whatever else the decoder reads) into a
    // premultiplied pixmap. False, leaving `out` empty, when the bytes do not decode.
    virtual bool Decode(const void* data, size_t size, CPixmap* out) = 0;
};

// The known names are "imgdecoder-wic", "imgdecoder-stb", "imgdecoder-png" and
// "imgdecoder-gdip"; only the GDI+ one is built in, so the others, and unknown names,
// give nullptr. The GDI+ decoder starts GDI+ for its lifetime.
std::unique_ptr<IImgDecoder> CreateImageDecoder(const std::wstring& name);

// True for the four names above.
bool IsKnownImageDecoderName(const std::wstring& name);

// The GDI render factory: the window draws with GDI and its own pixel code; images
// come through the decoder given to it. The factory does not own the decoder.
class CRenderFactory {
public:
    void SetImgDecoder(IImgDecoder* decoder) { decoder_ = decoder; }
    IImgDecoder* GetImgDecoder() const { return decoder_; }
    bool DecodeImage(const void* data, size_t size, CPixmap* out) const;

private:
    IImgDecoder* decoder_ = nullptr;
};

}  // namespace ui
