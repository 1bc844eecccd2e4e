#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fakes.h"
#include "ui/MenuTree.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Menus.h"

namespace tobble {
namespace {

using testing::EventLog;
using testing::FakePlatform;

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int pixels(int twips) {
    return MulDiv(twips, screenDpi(), 1440);
}

SIZE clientSize(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    return {client.right, client.bottom};
}

SIZE outerSize(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    return {window.right - window.left, window.bottom - window.top};
}

std::u16string menuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return reinterpret_cast<const char16_t*>(text);
}

// The window as the program makes it, hidden, so that the start-up sequence does not run.
class Win32Window : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(window.create(), nullptr); }

    void choose(MenuCommand command) {
        SendMessageW(window.handle(), WM_COMMAND, static_cast<WPARAM>(command), 0);
    }

    // A key pressed while the question box has the focus, as the message loop sees it.
    bool pressKey(WORD key, bool ctrl = false) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{window.text1(), WM_KEYDOWN, key, 1, 0, {}};
        const bool translated = window.translateAccelerator(message);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        return translated;
    }

    EventLog log;
    FakePlatform platform{log, u"C:\\nowhere"};
    MainWindow window{GetModuleHandleW(nullptr), platform};
};

TEST_F(Win32Window, ClientAreaIs2175By4950TwipsAtStart) {
    const SIZE client = clientSize(window.handle());
    EXPECT_EQ(client.cx, pixels(2175)); // 145 px at 96 dpi
    EXPECT_EQ(client.cy, pixels(4950)); // 330 px at 96 dpi
}

TEST_F(Win32Window, ShrinkTwiceRestoresTheExactStartingSize) {
    const SIZE client = clientSize(window.handle());
    const SIZE outer = outerSize(window.handle());

    choose(MenuCommand::mnuShrink);
    EXPECT_TRUE(window.isChecked(MenuCommand::mnuShrink));
    const SIZE compact = clientSize(window.handle());
    EXPECT_EQ(compact.cx, pixels(1750 - 120));
    EXPECT_EQ(compact.cy, pixels(2900 - 690));

    choose(MenuCommand::mnuShrink);
    EXPECT_FALSE(window.isChecked(MenuCommand::mnuShrink));
    const SIZE back = clientSize(window.handle());
    EXPECT_EQ(back.cx, client.cx);
    EXPECT_EQ(back.cy, client.cy);
    const SIZE outerBack = outerSize(window.handle());
    EXPECT_EQ(outerBack.cx, outer.cx);
    EXPECT_EQ(outerBack.cy, outer.cy);
}

TEST_F(Win32Window, MenuIsBuiltFromTheMenuTable) {
    HMENU bar = GetMenu(window.handle());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(menuText(bar, 0), u"&Menu");
    HMENU dropDown = GetSubMenu(bar, 0);
    ASSERT_NE(dropDown, nullptr);
    ASSERT_EQ(GetMenuItemCount(dropDown), 13);
    for (UINT i = 0; i < kMenuEntries.size(); ++i) {
        const MenuEntry& entry = kMenuEntries[i];
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoW(dropDown, i, TRUE, &info)) << entry.name;
        EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, entry.isSeparator()) << entry.name;
        if (entry.isSeparator())
            continue;
        EXPECT_FALSE(info.fState & (MFS_CHECKED | MFS_DISABLED)) << entry.name;
        EXPECT_EQ(info.wID, static_cast<UINT>(entry.command)) << entry.name;
        std::u16string expected = entry.caption;
        if (*entry.shortcut)
            expected += u'\t' + std::u16string(entry.shortcut);
        EXPECT_EQ(menuText(dropDown, i), expected) << entry.name;
    }
}

TEST_F(Win32Window, AcceleratorTableHoldsF5F1AndCtrlQ) {
    const Accelerators accelerators;
    std::vector<ACCEL> keys(
        static_cast<std::size_t>(CopyAcceleratorTableW(accelerators.get(), nullptr, 0)));
    CopyAcceleratorTableW(accelerators.get(), keys.data(), static_cast<int>(keys.size()));
    ASSERT_EQ(keys.size(), 3u);
    const auto has = [&](BYTE modifiers, WORD key, MenuCommand command) {
        for (const ACCEL& accel : keys) {
            if ((accel.fVirt & ~0x80) == modifiers && accel.key == key &&
                accel.cmd == static_cast<WORD>(command))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(has(FVIRTKEY, VK_F5, MenuCommand::mnuRepeat));
    EXPECT_TRUE(has(FVIRTKEY, VK_F1, MenuCommand::mnuAbout));
    EXPECT_TRUE(has(FVIRTKEY | FCONTROL, 'Q', MenuCommand::mnuQuit));
}

TEST_F(Win32Window, ShortcutKeysInTheQuestionBoxChooseTheirItems) {
    EXPECT_FALSE(pressKey('Q')) << "Q alone is typed, not Quit";
    EXPECT_FALSE(pressKey(VK_F2));
    EXPECT_TRUE(log.empty());

    EXPECT_TRUE(pressKey(VK_F5));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log.back().rfind("sound ", 0), 0u) << "Say What? replays the last sound";

    EXPECT_TRUE(pressKey(VK_F1));
    EXPECT_EQ(log.back().rfind("box 32 ", 0), 0u) << "About shows its box";

    EXPECT_TRUE(pressKey('Q', true));
    EXPECT_EQ(log.back(), "end");
}

TEST(ShortcutNames, AreReadAsTheKeysTheyName) {
    EXPECT_EQ(parseShortcut(u"F5")->key, VK_F5);
    EXPECT_EQ(parseShortcut(u"F12")->key, VK_F12);
    EXPECT_EQ(parseShortcut(u"Ctrl+Q")->key, 'Q');
    EXPECT_EQ(parseShortcut(u"Ctrl+Q")->modifiers, FVIRTKEY | FCONTROL);
    EXPECT_EQ(parseShortcut(u"Shift+Alt+1")->modifiers, FVIRTKEY | FSHIFT | FALT);
    EXPECT_FALSE(parseShortcut(u"F0"));
    EXPECT_FALSE(parseShortcut(u"Ctrl+"));
    EXPECT_FALSE(parseShortcut(u"Enter"));
}

TEST_F(Win32Window, AFailureNoHandlerExpectsIsShownAndTheWindowGoesOn) {
    platform.inputBoxBreaks = true;
    choose(MenuCommand::mnuSetTime);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("box 16 ", 0), 0u) << log.back();
    EXPECT_NE(log.back().find("out of memory"), std::string::npos) << log.back();
    EXPECT_TRUE(IsWindow(window.handle()));
}

} // namespace
} // namespace tobble
