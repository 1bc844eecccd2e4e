#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "Fakes.h"
#include "base/Failure.h"
#include "frontend/win32/MainWindow.h"
#include "frontend/win32/Painting.h"
#include "frontend/win32/platform/GdiPicture.h"
#include "frontend/win32/platform/Win32Platform.h"
#include "frontend/win32/resource.h"

namespace tobble {
namespace {

namespace fs = std::filesystem;

std::u16string windowText(HWND window, HMENU menu = nullptr, UINT position = 0) {
    wchar_t text[128] = {};
    menu ? GetMenuStringW(menu, position, text, 128, MF_BYPOSITION)
         : GetWindowTextW(window, text, 128);
    return reinterpret_cast<const char16_t*>(text);
}

// The window as the program makes it, hidden, so that the start-up sequence does not run.
class Win32Window : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(window.create(), nullptr); }

    testing::EventLog log;
    testing::FakePlatform platform{log, u"C:\\nowhere"};
    MainWindow window{GetModuleHandleW(nullptr), platform};
};

TEST_F(Win32Window, MenuIsBuiltFromTheMenuTable) {
    HMENU bar = GetMenu(window.handle());
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    HMENU dropDown = GetSubMenu(bar, 0);
    std::u16string items = windowText(nullptr, bar, 0);
    for (int i = 0; i < GetMenuItemCount(dropDown); ++i) // the scenarios choose every item
        items += GetMenuState(dropDown, i, MF_BYPOSITION) & MF_SEPARATOR
                     ? u"|-"
                     : u"|" + windowText(nullptr, dropDown, i);
    EXPECT_EQ(items, u"&Menu|Say &What?\tF5|-|&Shrink|-|Auto &Smack|Set &Time|-|"
                     u"&Reload Config.ini|&Open Config.ini|-|&About\tF1|-|&Quit\tCtrl+Q");
}

// A press released off the click area says nothing; the caption reads as given; the speech
// label during the click's flash is white on red.
TEST_F(Win32Window, TheLabelsAndTheClickAreaAreControlsOfTheirOwn) {
    const HWND label1 = GetDlgItem(window.handle(), IDC_LABEL1);
    const HWND label2 = GetDlgItem(window.handle(), IDC_LABEL2);
    EXPECT_EQ(windowText(GetDlgItem(window.handle(), IDC_LABEL3)), u"Ask Tobble:");
    for (const LPARAM up : {MAKELPARAM(5, 5), MAKELPARAM(5, 300)}) { // released inside, outside
        SendMessageW(label2, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(label2, WM_LBUTTONUP, 0, up);
    }
    EXPECT_EQ(std::ranges::count_if(log, [](auto& line) { return line.starts_with("sound "); }), 1);
    window.setLabel1Caption(u"Fish && chips &now");
    RECT box;
    GetClientRect(label1, &box);
    HDC screen = GetDC(nullptr);
    const gdi::MemoryDC memory(screen);
    const gdi::Bitmap bitmap(CreateCompatibleBitmap(screen, box.right, box.bottom));
    ReleaseDC(nullptr, screen);
    const gdi::Selection selected(memory.get(), bitmap.get());
    SendMessageW(label1, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    int white = 0;
    for (int x = 0; x < box.right; ++x)
        for (int y = 0; y < box.bottom; ++y)
            white += GetPixel(memory.get(), x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 20);
    EXPECT_EQ(GetPixel(memory.get(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(memory.get(), box.right - 1, box.bottom - 1), RGB(255, 0, 0));
}

// The bitmap face where it is exact (96 dpi), the scalable one elsewhere; 8.25 pt bold.
TEST(Resources, TheLabelFontIsBoldAtItsSizeForEveryDpi) {
    // 8.25 points in pixels, rounded half up: 11 at 96 DPI, 16.5 making 17 at 144.
    const std::pair<UINT, LONG> heights[] = {{96, -11}, {120, -14}, {144, -17}, {192, -22}};
    for (const auto& [dpi, height] : heights) {
        LOGFONTW font{};
        ASSERT_EQ(GetObjectW(makeLabelFont(dpi).get(), sizeof font, &font), int(sizeof font));
        EXPECT_STREQ(font.lfFaceName, dpi == 96 ? L"MS Sans Serif" : L"Microsoft Sans Serif");
        EXPECT_EQ(font.lfHeight, height) << dpi;
        EXPECT_EQ(font.lfWeight, 700) << dpi;
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET) << dpi;
    }
}

TEST(Platform, ADamagedPictureIsReportedInWords) {
    GdiplusSession gdiplus;
    testing::ContentDir dir;
    dir.write("picture.jpg", "\xFF\xD8\xFF\xE0 this is no JPEG at all");
    try {
        loadGdiPicture((dir.path() / "picture.jpg").u16string());
        ADD_FAILURE() << "a damaged picture loaded";
    } catch (const Failure& failure) {
        const std::u16string text = failure.description();
        EXPECT_NE(text.find(u"cannot be shown ("), std::u16string::npos);
        EXPECT_EQ(text.find(u"GDI+ status"), std::u16string::npos);
    }
}

// The editor is a bare name: the one in the Windows folder, never one beside this program.
TEST(Platform, ABareProgramNameIsTheOneInTheWindowsDirectory) {
    for (const auto& [command, path] :
         {std::pair{u"notepad config.ini", u"C:\\windows\\notepad.exe"},
          {u"\"notepad\" config.ini", u"C:\\windows\\notepad.exe"},
          {u"write.exe a.txt", u"C:\\windows\\write.exe"},
          {u"C:\\tools\\edit.exe a.txt", u"C:\\tools\\edit.exe"}})
        EXPECT_EQ(Win32Platform::systemProgramPath(command, u"C:\\windows"), path);
    EXPECT_EQ(Win32Platform::systemProgramPath(u"notepad", u"D:\\"), u"D:\\notepad.exe");
    wchar_t self[MAX_PATH];
    const fs::path program(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH)));
    const fs::path planted = program.parent_path() / "tobble-planted-editor.exe";
    fs::copy_file(program, planted, fs::copy_options::overwrite_existing);
    bool started = true;
    try { // were it run, the copy would only list its tests and end
        Win32Platform(GetModuleHandleW(nullptr))
            .startProcess(u"tobble-planted-editor --gtest_list_tests",
                          fs::temp_directory_path().u16string(), SW_HIDE);
    } catch (const Failure&) {
        started = false;
    }
    std::error_code ignored;
    for (int attempt = 0; attempt < 100 && fs::exists(planted); ++attempt)
        fs::remove(planted, ignored) || (Sleep(50), false); // it may still be running a moment
    EXPECT_FALSE(started) << "the program beside this one was started";
}

} // namespace
} // namespace tobble
