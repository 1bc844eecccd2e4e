#include <windows.h>

#include <gtest/gtest.h>

#include "ui/win32/Painting.h"
#include "ui/win32/resource.h"

namespace tobble {
namespace {

TEST(MicrophonePointer, IsTheColourImageOnAColourDisplay) {
    HDC screen = GetDC(nullptr);
    const int bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    ASSERT_GE(bitsPerPixel, 4) << "the display shows no colour";

    auto* cursor =
        static_cast<HCURSOR>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_MICROPHONE),
                                        IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_NE(info.hbmColor, nullptr) << "the 2-colour image was chosen";
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
}

LOGFONTW fontOf(const gdi::Font& font) {
    LOGFONTW logFont{};
    EXPECT_TRUE(font);
    EXPECT_EQ(GetObjectW(font.get(), sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    return logFont;
}

TEST(LabelFont, IsMsSansSerif8Point25BoldAt96Dpi) {
    const LOGFONTW font = fontOf(makeLabelFont(96));
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -11); // 8.25 pt at 96 dpi
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
}

TEST(LabelFont, IsTheScalableFaceAtTheSameSizeAndWeightElsewhere) {
    for (const UINT dpi : {120u, 144u, 192u}) {
        const LOGFONTW font = fontOf(makeLabelFont(dpi));
        EXPECT_STREQ(font.lfFaceName, L"Microsoft Sans Serif") << dpi << " dpi";
        EXPECT_EQ(font.lfHeight, -MulDiv(825, static_cast<int>(dpi), 7200)) << dpi << " dpi";
        EXPECT_EQ(font.lfWeight, 700) << dpi << " dpi";
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    }
}

} // namespace
} // namespace tobble
