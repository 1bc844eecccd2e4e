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

// Whether there is any desktop to show the window on: an X server or a Wayland compositor is
// named, or the person chose a Qt platform themselves (offscreen, vnc...), which may need neither.
// Without one Qt could only abort.
inline bool desktopNamed(const char* chosen, const char* display, const char* waylandDisplay) {
    const auto named = [](const char* value) { return value && *value; };
    return named(chosen) || named(display) || named(waylandDisplay);
}

constexpr const char* kNoDesktop = "tobble: no graphical desktop found (neither X11 nor Wayland): "
                                   "Tobble needs one to show its window";
constexpr const char* kDesktopUnreachable =
    "tobble: the graphical desktop could not be reached (see above): Tobble needs one to show "
    "its window";

} // namespace tobble
