#include "platform/win32/GdiPicture.h"

#include <gdiplus.h>

#include <memory>

#include "platform/Failure.h"
#include "platform/win32/WideText.h"

namespace tobble {

namespace flat = Gdiplus::DllExports;

namespace {

std::u16string statusName(Gdiplus::Status status) {
    switch (status) {
    case Gdiplus::OutOfMemory:
        return u"out of memory";
    case Gdiplus::FileNotFound:
        return u"file not found";
    case Gdiplus::UnknownImageFormat:
        return u"unknown image format";
    case Gdiplus::InvalidParameter:
        return u"not a picture GDI+ can read";
    case Gdiplus::AccessDenied:
        return u"access denied";
    default: {
        const std::string number = std::to_string(static_cast<int>(status));
        return u"GDI+ status " + std::u16string(number.begin(), number.end());
    }
    }
}

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

PicturePtr GdiPicture::load(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw Failure(u"File not found: " + path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw Failure(u"Path/File access error: " + path + u" is a directory, not a picture");

    Gdiplus::GpBitmap* raw = nullptr;
    Gdiplus::Status status = flat::GdipCreateBitmapFromFile(wide(path), &raw);
    if (status != Gdiplus::Ok || !raw)
        throw Failure(u"Invalid picture: " + path + u" cannot be shown (" + statusName(status) +
                      u")");
    // GDI+ keeps the file open while the bitmap lives; the GDI copy lets it go at once.
    const std::unique_ptr<Gdiplus::GpBitmap, BitmapDeleter> bitmap(raw);

    UINT width = 0;
    UINT height = 0;
    flat::GdipGetImageWidth(bitmap.get(), &width);
    flat::GdipGetImageHeight(bitmap.get(), &height);
    HBITMAP gdiBitmap = nullptr;
    status = flat::GdipCreateHBITMAPFromBitmap(bitmap.get(), &gdiBitmap, 0xFF000000);
    if (status != Gdiplus::Ok || !gdiBitmap || width == 0 || height == 0) {
        if (gdiBitmap)
            DeleteObject(gdiBitmap);
        throw Failure(u"Invalid picture: " + path + u" cannot be shown (" + statusName(status) +
                      u")");
    }
    return std::make_shared<GdiPicture>(gdiBitmap, static_cast<int>(width),
                                        static_cast<int>(height));
}

} // namespace tobble
