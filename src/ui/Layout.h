#pragma once

#include <cstdint>

// Where everything stands in the main window, in twips (15 twips a pixel at 96 dpi).
namespace tobble::layout {

inline constexpr int kTwipsPerPixel = 15;

struct Rect {
    int left, top, width, height;
};

// Normal layout, client area below the menu bar.
inline constexpr int kClientWidth = 2175;
inline constexpr int kClientHeight = 4950;

inline constexpr Rect kText1{120, 4560, 1935, 285};
inline constexpr Rect kLabel3{120, 4320, 1935, 255};
inline constexpr Rect kLabel2{480, 360, 1095, 1815};
inline constexpr Rect kLabel1{120, 2640, 1935, 1455};
inline constexpr Rect kImage1{240, 240, 1695, 2265};

// Outer window sizes that Shrink sets; the frame, title bar and menu bar take this much of them.
inline constexpr int kNormalWidth = 2295;
inline constexpr int kNormalHeight = 5640;
inline constexpr int kCompactWidth = 1750;
inline constexpr int kCompactHeight = 2900;
inline constexpr int kFrameWidth = kNormalWidth - kClientWidth;    // 120
inline constexpr int kFrameHeight = kNormalHeight - kClientHeight; // 690

// Compact layout positions.
inline constexpr int kImage1CompactLeft = 0;
inline constexpr int kImage1CompactTop = 0;
inline constexpr int kLabel2CompactLeft = 240;
inline constexpr int kLabel2CompactTop = 120;

// Colours: red in the low byte.
inline constexpr std::uint32_t kBlack = 0;
inline constexpr std::uint32_t kRed = 255;
inline constexpr std::uint32_t kWhite = 16777215;

// The labels' font: a bold sans-serif of 8.25 pt, 11 px at 96 dpi.
inline constexpr int kLabelFontPixels = 11;

constexpr int toPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace tobble::layout
