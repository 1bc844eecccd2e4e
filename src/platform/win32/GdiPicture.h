#pragma once

#include <windows.h>

#include <string>

#include "platform/Platform.h"

namespace tobble {

// A decoded picture as a device-independent GDI bitmap, ready to be stretched onto the form.
class GdiPicture final : public Picture {
public:
    GdiPicture(HBITMAP bitmap, int width, int height)
        : bitmap_(bitmap), width_(width), height_(height) {}
    ~GdiPicture() override { DeleteObject(bitmap_); }
    GdiPicture(const GdiPicture&) = delete;
    GdiPicture& operator=(const GdiPicture&) = delete;

    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Decodes JPEG, BMP, GIF or PNG with GDI+; throws Failure with a description.
    static PicturePtr load(const std::u16string& path);

private:
    HBITMAP bitmap_;
    int width_;
    int height_;
};

// A readable description of a GDI+ status code, for picture errors.
std::u16string describeGdiplusStatus(int status);

// Keeps GDI+ running for as long as the program may load pictures.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

} // namespace tobble
