#pragma once

#include <windows.h>

#include <string>

#include "seams/Pictures.h"

namespace tobble {

// Decodes JPEG, BMP, GIF or PNG with GDI+; throws Failure with a description.
PicturePtr loadGdiPicture(const std::u16string& path);

// The picture as a GDI bitmap, laid on black where it is transparent, ready to be stretched onto
// the form. The caller deletes it.
HBITMAP toGdiBitmap(const Picture& picture);

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
