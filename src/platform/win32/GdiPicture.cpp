#include "platform/win32/GdiPicture.h"

#include <gdiplus.h>

#include <memory>

#include "platform/Failure.h"
#include "platform/win32/WideText.h"

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

PicturePtr GdiPicture::load(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw Failure(u"File not found: " + path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw Failure(u"Path/File access error: " + path + u" is a directory, not a picture");

    Gdiplus::GpBitmap* raw = nullptr;
    Gdiplus::Status status = flat::GdipCreateBitmapFromFile(wide(path), &raw);
    if (status != Gdiplus::Ok || !raw)
        throw Failure(u"Invalid picture: " + path + u" cannot be shown (" +
                      describeGdiplusStatus(status) + u")");
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
        throw Failure(u"Invalid picture: " + path + u" cannot be shown (" +
                      describeGdiplusStatus(status) + u")");
    }
    return std::make_shared<GdiPicture>(gdiBitmap, static_cast<int>(width),
                                        static_cast<int>(height));
}

} // namespace tobble
