#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "ui/MenuTree.h"

namespace tobble {

// A shortcut key as an accelerator table holds it.
struct Shortcut {
    BYTE modifiers; // FVIRTKEY with FCONTROL, FSHIFT, FALT
    WORD key;       // virtual-key code
};

// The key named as the menu table names it ("F5", "Ctrl+Q"), or nothing for a name it does not
// know.
constexpr std::optional<Shortcut> parseShortcut(std::u16string_view name) {
    BYTE modifiers = FVIRTKEY;
    for (;;) {
        if (name.starts_with(u"Ctrl+")) {
            modifiers |= FCONTROL;
            name.remove_prefix(5);
        } else if (name.starts_with(u"Shift+")) {
            modifiers |= FSHIFT;
            name.remove_prefix(6);
        } else if (name.starts_with(u"Alt+")) {
            modifiers |= FALT;
            name.remove_prefix(4);
        } else {
            break;
        }
    }
    if (name.size() == 1 &&
        ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'0' && name[0] <= u'9')))
        return Shortcut{modifiers, static_cast<WORD>(name[0])}; // letters and digits are their
                                                                // own key codes
    if (name.size() >= 2 && name.size() <= 3 && name[0] == u'F') {
        int number = 0;
        for (const char16_t digit : name.substr(1)) {
            if (digit < u'0' || digit > u'9')
                return std::nullopt;
            number = number * 10 + (digit - u'0');
        }
        if (number >= 1 && number <= 24)
            return Shortcut{modifiers, static_cast<WORD>(VK_F1 + number - 1)};
    }
    return std::nullopt;
}

// Every shortcut of the table is one that the accelerator table can hold.
static_assert([] {
    for (const MenuEntry& entry : kMenuEntries) {
        const std::u16string_view shortcut(entry.shortcut);
        if (!shortcut.empty() && !parseShortcut(shortcut))
            return false;
    }
    return true;
}());

// The menu command that a WM_COMMAND identifier names, if any.
constexpr std::optional<MenuCommand> menuCommandFor(int id) {
    for (const MenuEntry& entry : kMenuEntries) {
        if (!entry.isSeparator() && static_cast<int>(entry.command) == id)
            return entry.command;
    }
    return std::nullopt;
}

// The menu bar with its one drop-down, from the core's menu table: each item's caption, its
// shortcut's name after a tab, the command as its identifier.
HMENU buildMenuBar();

// Runs while the window's menu loop does (called as it starts and as it ends): a letter that
// several items share as their access key highlights the next of them, as Windows' own menus
// do, where Wine's would choose the first at once. A letter of one item is left to the system.
void followSharedAccessKeys(HWND owner, bool menuLoopRunning);

// The accelerator table of the menu table's shortcut keys.
class Accelerators {
public:
    Accelerators();
    ~Accelerators() {
        if (table_)
            DestroyAcceleratorTable(table_);
    }
    Accelerators(const Accelerators&) = delete;
    Accelerators& operator=(const Accelerators&) = delete;

    HACCEL get() const { return table_; }

private:
    HACCEL table_ = nullptr;
};

} // namespace tobble
