#include "frontend/win32/platform/GdiPicture.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "frontend/win32/platform/WideText.h"

namespace tobble {

namespace flat = Gdiplus::DllExports;

std::u16string describeGdiplusStatus(int status) {
    switch (status) {
    case Gdiplus::Ok:
        return u"no error";
    case Gdiplus::GenericError:
        return u"the picture could not be decoded";
    case Gdiplus::InvalidParameter:
        return u"not a picture that can be read, or a damaged one";
    case Gdiplus::OutOfMemory:
        // What GDI+ also says of many damaged files.
        return u"out of memory, or a damaged picture";
    case Gdiplus::ObjectBusy:
        return u"the picture is in use";
    case Gdiplus::InsufficientBuffer:
        return u"a buffer was too small for the picture";
    case Gdiplus::NotImplemented:
        return u"this kind of picture is not supported";
    case Gdiplus::Win32Error:
        return u"the system failed while reading the picture";
    case Gdiplus::WrongState:
        return u"the picture decoder was not ready";
    case Gdiplus::Aborted:
        return u"reading the picture was cancelled";
    case Gdiplus::FileNotFound:
        return u"file not found";
    case Gdiplus::ValueOverflow:
        return u"the picture is too large";
    case Gdiplus::AccessDenied:
        return u"access denied";
    case Gdiplus::UnknownImageFormat:
        return u"unknown image format";
    case Gdiplus::FontFamilyNotFound:
        return u"font family not found";
    case Gdiplus::FontStyleNotFound:
        return u"font style not found";
    case Gdiplus::NotTrueTypeFont:
        return u"not a TrueType font";
    case Gdiplus::UnsupportedGdiplusVersion:
        return u"this version of GDI+ is not supported";
    case Gdiplus::GdiplusNotInitialized:
        return u"GDI+ was not started";
    case Gdiplus::PropertyNotFound:
        return u"picture property not found";
    case Gdiplus::PropertyNotSupported:
        return u"picture property not supported";
    case Gdiplus::ProfileNotFound:
        return u"colour profile not found";
    }
    const std::string number = std::to_string(status);
    return u"unknown GDI+ error " + std::u16string(number.begin(), number.end());
}

namespace {

struct BitmapDeleter {
    void operator()(Gdiplus::GpBitmap* bitmap) const { flat::GdipDisposeImage(bitmap); }
};

} // namespace

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
    if (token_)
        Gdiplus::GdiplusShutdown(token_);
}

PicturePtr loadGdiPicture(const std::u16string& path) {
    requireRegularFile(path);

    Gdiplus::GpBitmap* raw = nullptr;
    Gdiplus::Status status = flat::GdipCreateBitmapFromFile(wide(path), &raw);
    if (status != Gdiplus::Ok || !raw)
        throw pictureCannotBeShown(path, describeGdiplusStatus(status));
    const std::unique_ptr<Gdiplus::GpBitmap, BitmapDeleter> bitmap(raw);

    UINT width = 0;
    UINT height = 0;
    flat::GdipGetImageWidth(bitmap.get(), &width);
    flat::GdipGetImageHeight(bitmap.get(), &height);
    const Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    status = width && height
                 ? flat::GdipBitmapLockBits(bitmap.get(), &whole, Gdiplus::ImageLockModeRead,
                                            PixelFormat32bppARGB, &data)
                 : Gdiplus::InvalidParameter;
    if (status != Gdiplus::Ok)
        throw pictureCannotBeShown(path, describeGdiplusStatus(status));
    auto picture = std::make_shared<Picture>();
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->pixels.resize(static_cast<std::size_t>(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride);
        std::copy(row, row + width, picture->pixels.begin() + std::size_t(y) * width);
    }
    flat::GdipBitmapUnlockBits(bitmap.get(), &data);
    return picture;
}

HBITMAP toGdiBitmap(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // rows from the top, as the picture has them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::uint32_t pixel : picture.pixels) {
        // GDI ignores alpha when stretching: lay the picture on black first.
        const std::uint32_t alpha = pixel >> 24;
        const auto channel = [&](int shift) { return ((pixel >> shift) & 0xFF) * alpha / 255; };
        *out++ = channel(16) << 16 | channel(8) << 8 | channel(0);
    }
    return bitmap;
}

} // namespace tobble
