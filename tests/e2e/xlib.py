"""Reading screen pixels and faking input through Xlib, fast enough to time a 100 ms flash."""
import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = None

_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XGetPixel.restype = ctypes.c_ulong
_x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

ZPixmap = 2
AllPlanes = 0xFFFFFFFF


class _XImageFuncs(ctypes.Structure):
    _fields_ = [("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


class _XImageHead(ctypes.Structure):
    # width .. bits_per_pixel, then masks, obdata, then the function table
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("f", _XImageFuncs)]


class Screen:
    """One connection to an X display, reading pixels of the root window (what is on screen)."""

    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = _x11.XDefaultRootWindow(self.dpy)

    def close(self):
        if self.dpy:
            _x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def region(self, x, y, w, h):
        """Pixels of a screen rectangle as a function (dx, dy) -> (r, g, b)."""
        img = _x11.XGetImage(self.dpy, self.root, x, y, w, h, AllPlanes, ZPixmap)
        if not img:
            raise RuntimeError("XGetImage failed")
        head = _XImageHead.from_address(img)
        if head.bits_per_pixel != 32:
            raise RuntimeError("expected a 24-bit screen")
        raw = ctypes.string_at(head.data, head.bytes_per_line * h)
        bpl = head.bytes_per_line
        head.f.destroy_image(img)

        def pixel(dx, dy):
            o = dy * bpl + dx * 4
            return raw[o + 2], raw[o + 1], raw[o]  # little-endian BGRX

        pixel.width, pixel.height = w, h
        return pixel

    def pixel(self, x, y):
        return self.region(x, y, 1, 1)(0, 0)

    # -- fake input (XTest), for timing clicks without a process start in between ----------
    def click(self, x, y, button=1):
        xtst = _load_xtst()
        xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        xtst.XTestFakeButtonEvent(self.dpy, button, 1, 0)
        xtst.XTestFakeButtonEvent(self.dpy, button, 0, 0)
        _x11.XFlush(self.dpy)

    def move(self, x, y):
        _load_xtst().XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _x11.XFlush(self.dpy)


def _load_xtst():
    global _xtst
    if _xtst is None:
        _xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        _xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                               ctypes.c_int, ctypes.c_ulong]
        _xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                               ctypes.c_ulong]
    return _xtst
