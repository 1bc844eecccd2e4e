#include "frontend/win32/Menus.h"

#include <string>
#include <vector>

#include "frontend/win32/platform/WideText.h"
#include "ui/AccessKeys.h"

namespace tobble {

namespace {

HHOOK menuKeyHook = nullptr;
HWND menuOwner = nullptr;

// The menu's own window is on the screen: a drop-down window of this thread that shows it.
bool isShown(HMENU menu) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        if (IsWindowVisible(window) &&
            GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
            reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)) == menu)
            return true;
    }
    return false;
}

// Moves the drop-down's highlight to the next item with this shared access key, by as many Down
// keys as lie between (Down skips separators and wraps round, on Windows and Wine alike): the
// one way to move a menu's highlight that both honour. False where the system is to handle it.
bool highlightNextWithKey(HWND focus, char16_t letter) {
    HMENU dropDown = GetSubMenu(GetMenu(menuOwner), 0);
    if (!dropDown || !isShown(dropDown))
        return false;
    std::optional<std::size_t> highlighted;
    for (int i = 0, count = GetMenuItemCount(dropDown); i < count; ++i) {
        if (GetMenuState(dropDown, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)
            highlighted = static_cast<std::size_t>(i);
    }
    const auto choice = nextItemForKey(kMenuEntries, letter, highlighted);
    if (!choice || choice->execute)
        return false;
    // With nothing highlighted, the first Down highlights the first item.
    std::size_t at = highlighted.value_or(kMenuEntries.size() - 1);
    do {
        at = (at + 1) % kMenuEntries.size();
        if (!kMenuEntries[at].isSeparator())
            PostMessageW(focus, WM_KEYDOWN, VK_DOWN, 1);
    } while (at != choice->index);
    return true;
}

// The menu loop offers each message here first; a letter taken here goes no further.
LRESULT CALLBACK filterMenuKeys(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && (message->message == WM_CHAR || message->message == WM_SYSCHAR) &&
        highlightNextWithKey(message->hwnd, static_cast<char16_t>(message->wParam)))
        return TRUE;
    return CallNextHookEx(menuKeyHook, code, wParam, lParam);
}

} // namespace

void followSharedAccessKeys(HWND owner, bool menuLoopRunning) {
    if (menuKeyHook) {
        UnhookWindowsHookEx(menuKeyHook);
        menuKeyHook = nullptr;
    }
    menuOwner = owner;
    if (menuLoopRunning)
        menuKeyHook =
            SetWindowsHookExW(WH_MSGFILTER, filterMenuKeys, nullptr, GetCurrentThreadId());
}

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
