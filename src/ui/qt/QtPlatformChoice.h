#pragma once

namespace tobble {

// Only an X window can stay above the others: Wayland lets no client ask for that. So where an X
// server (Xwayland on a Wayland desktop) can be reached, ask for it, unless the person chose a Qt
// platform themselves (chosen: QT_QPA_PLATFORM, display: DISPLAY). Qt tries the list in order:
// where the X server refuses the connection, Wayland it is. Null leaves the choice to Qt.
inline const char* preferredQtPlatform(const char* chosen, const char* display) {
    if (chosen && *chosen)
        return nullptr;
    return display && *display ? "xcb;wayland" : nullptr;
}

} // namespace tobble
