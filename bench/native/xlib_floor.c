/* The X11 floor: one plain window, mapped and left waiting for events. */
#include <X11/Xlib.h>

int main(void) {
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy)
        return 1;
    int screen = DefaultScreen(dpy);
    Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 145, 349, 0,
                                   BlackPixel(dpy, screen), BlackPixel(dpy, screen));
    XStoreName(dpy, w, "Xlib floor");
    XSelectInput(dpy, w, ExposureMask);
    XMapWindow(dpy, w);
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
    }
}
