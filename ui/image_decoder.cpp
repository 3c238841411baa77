#include "ui/image_decoder.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cstring>

namespace ui {

namespace {

class CGdipDecoder : public IImgDecoder {
public:
    CGdipDecoder() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok)
            token_ = 0;
    }
    ~CGdipDecoder() override {
        if (token_)
            Gdiplus::GdiplusShutdown(token_);
    }
    const wchar_t* Name() const override { return L"imgdecoder-gdip"; }

    bool Decode(const void* data, size_t size, CPixmap* out) override {
        *out = CPixmap();
        if (!token_ || !data || size == 0 || size > 0x7FFFFFFF)
            return false;
        IStream* stream =
            SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
        if (!stream)
            return false;
        bool ok = false;
        {
            Gdiplus::Bitmap bitmap(stream);
            if (bitmap.GetLastStatus() == Gdiplus::Ok) {
                const int w = static_cast<int>(bitmap.GetWidth());
                const int h = static_cast<int>(bitmap.GetHeight());
                Gdiplus::Rect rect(0, 0, w, h);
                Gdiplus::BitmapData bits;
                if (w > 0 && h > 0 &&
                    bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                                    &bits) == Gdiplus::Ok) {
                    out->width = w;
                    out->height = h;
                    out->pixels.resize(static_cast<size_t>(w) * h);
                    for (int y = 0; y < h; ++y)
                        std::memcpy(&out->pixels[static_cast<size_t>(y) * w],
                                    static_cast<const BYTE*>(bits.Scan0) +
                                        static_cast<INT_PTR>(y) * bits.Stride,
                                    static_cast<size_t>(w) * 4);
                    bitmap.UnlockBits(&bits);
                    ok = true;
                }
            }
        }
        stream->Release();
        return ok;
    }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace

bool IsKnownImageDecoderName(const std::wstring& name) {
    return name == L"imgdecoder-wic" || name == L"imgdecoder-stb" || name == L"imgdecoder-png" ||
           name == L"imgdecoder-gdip";
}

std::unique_ptr<IImgDecoder> CreateImageDecoder(const std::wstring& name) {
    if (name == L"imgdecoder-gdip")
        return std::unique_ptr<IImgDecoder>(new CGdipDecoder());
    return nullptr;
}

bool CRenderFactory::DecodeImage(const void* data, size_t size, CPixmap* out) const {
    *out = CPixmap();
    return decoder_ && decoder_->Decode(data, size, out);
}

}  // namespace ui
