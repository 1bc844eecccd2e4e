#pragma once

#include <array>

namespace tobble {

// Menu commands; the numbers double as the Windows resource command identifiers.
enum class MenuCommand : int {
    None = 0,
    mnuRepeat = 101,
    mnuShrink = 102,
    mnuOnOff = 103,
    mnuSetTime = 104,
    mnuReload = 105,
    mnuOpenConfig = 106,
    mnuAbout = 107,
    mnuQuit = 108,
};

struct MenuEntry {
    const char* name;
    const char16_t* caption;  // "-" for a separator
    const char16_t* shortcut; // the key's name as the menu shows it, or empty
    MenuCommand command;

    bool isSeparator() const { return command == MenuCommand::None; }
};

inline constexpr char16_t kMenuCaption[] = u"&Menu";

// The entries of the one drop-down menu, top to bottom.
inline constexpr std::array<MenuEntry, 13> kMenuEntries{{
    {"mnuRepeat", u"Say &What?", u"F5", MenuCommand::mnuRepeat},
    {"mnu10", u"-", u"", MenuCommand::None},
    {"mnuShrink", u"&Shrink", u"", MenuCommand::mnuShrink},
    {"mnu2", u"-", u"", MenuCommand::None},
    {"mnuOnOff", u"Auto &Smack", u"", MenuCommand::mnuOnOff},
    {"mnuSetTime", u"Set &Time", u"", MenuCommand::mnuSetTime},
    {"mnu1", u"-", u"", MenuCommand::None},
    {"mnuReload", u"&Reload Config.ini", u"", MenuCommand::mnuReload},
    {"mnuOpenConfig", u"&Open Config.ini", u"", MenuCommand::mnuOpenConfig},
    {"mnu3", u"-", u"", MenuCommand::None},
    {"mnuAbout", u"&About", u"F1", MenuCommand::mnuAbout},
    {"mnu0", u"-", u"", MenuCommand::None},
    {"mnuQuit", u"&Quit", u"Ctrl+Q", MenuCommand::mnuQuit},
}};

} // namespace tobble
