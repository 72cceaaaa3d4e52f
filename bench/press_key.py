# Presses and releases one key on the X display in $DISPLAY, through the XTEST extension.
# Needs libX11 and libXtst (both from Debian: libx11-6, libxtst6).
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6"); xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
display = x11.XOpenDisplay(None)
if not display: sys.exit("no display")
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(sys.argv[1].encode()))
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent(display, code, 1, 0); xtst.XTestFakeKeyEvent(display, code, 0, 0); x11.XFlush(display)
