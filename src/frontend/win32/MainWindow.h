#pragma once

#include <windows.h>

#include <string>

#include "app/Program.h"
#include "frontend/win32/ClickArea.h"
#include "frontend/win32/Gdi.h"
#include "frontend/win32/Menus.h"
#include "frontend/win32/Win32TimerDriver.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace tobble {

// Form1 on the screen. Text1, the labels and Label2 are real controls, so that assistive
// technology reads and presses them; Image1 is windowless, painted by the form itself. Every
// event goes on to the program, whose boundary meets any failure of its handlers.
class MainWindow final : public Window {
public:
    MainWindow(HINSTANCE instance, const Platform& platform);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window centred on the screen, hidden; returns nullptr on failure.
    HWND create();
    HWND handle() const { return hwnd_; }

    // Turns a shortcut key, pressed anywhere in the window, into its menu choice.
    bool translateAccelerator(MSG& message) const;

    WindowHandle hWnd() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
    void setBackColor(std::uint32_t colour) override;
    void setCaption(const std::u16string& caption) override;
    std::u16string currentCaption() const override;
    void setLabel1Caption(const std::u16string& caption) override;
    void setImage1Picture(PicturePtr picture) override;
    void moveImage1(int left, int top) override;
    void moveLabel2(int index, int left, int top) override;
    void setWidth(int twips) override;
    void setHeight(int twips) override;
    bool isChecked(MenuCommand item) const override;
    void setChecked(MenuCommand item, bool checked) override;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    static LRESULT CALLBACK text1Proc(HWND edit, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onDestroy();
    void onPaint();
    void paint(HDC dc);
    LRESULT onLabelColour(HDC dc, HWND label);
    void onActivate(WPARAM wParam);
    void onFocus();
    void onShown();
    void onStartup();
    void onTimer(UINT_PTR id);
    void onCommand(WPARAM wParam, LPARAM lParam);
    void onDpiChanged(UINT dpi, const RECT* suggested);
    void onText1KeyDown(WPARAM key);

    void createFonts();
    void placeControls();
    void resizeClient(int widthTwips, int heightTwips);

    int toPixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi_), 1440); }
    RECT toPixels(const layout::Rect& r) const;
    RECT label2Rect() const;
    RECT image1Rect() const;
    void redraw(bool now);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND text1_ = nullptr;
    HWND label1_ = nullptr;
    HWND label3_ = nullptr;
    ClickArea label2_;
    WNDPROC text1DefaultProc_ = nullptr;
    UINT dpi_ = 96;
    gdi::Font labelFont_;
    gdi::Font text1Font_;
    HCURSOR microphone_ = nullptr;
    Accelerators accelerators_;

    COLORREF backColor_ = layout::kBlack;
    gdi::Brush backBrush_{CreateSolidBrush(layout::kBlack)}; // the labels' background
    gdi::Bitmap picture_;
    SIZE pictureSize_{};
    POINT image1Pos_{layout::kImage1.left, layout::kImage1.top};
    POINT label2Pos_{layout::kLabel2.left, layout::kLabel2.top};
    SIZE clientTwips_{layout::kClientWidth, layout::kClientHeight};
    bool startupPosted_ = false;

    Win32TimerDriver randomDriver_;
    Win32TimerDriver flashDriver_;
    Program program_;
};

} // namespace tobble
