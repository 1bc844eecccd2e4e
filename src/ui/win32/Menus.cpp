#include "ui/win32/Menus.h"

#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace tobble {

HMENU buildMenuBar() {
    HMENU dropDown = CreatePopupMenu();
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.isSeparator()) {
            AppendMenuW(dropDown, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::u16string text = entry.caption;
        if (*entry.shortcut)
            text += u'\t' + std::u16string(entry.shortcut);
        AppendMenuW(dropDown, MF_STRING, static_cast<UINT_PTR>(entry.command), wide(text));
    }
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(dropDown), wide(kMenuCaption));
    return bar;
}

Accelerators::Accelerators() {
    std::vector<ACCEL> keys;
    for (const MenuEntry& entry : kMenuEntries) {
        if (const auto shortcut = parseShortcut(entry.shortcut))
            keys.push_back({shortcut->modifiers, shortcut->key, static_cast<WORD>(entry.command)});
    }
    table_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

} // namespace tobble
