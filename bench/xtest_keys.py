#!/usr/bin/env python3
"""Key presses through XTest for run_bench, stamped with the system clock.

    python3 xtest_keys.py PORT

Listens on 127.0.0.1:PORT for one connection (a minute at the most). Each line
"press Control_L Alt_L t" (X key names, the last one the main key) puts the keys before the
last down, stamps CLOCK_REALTIME (the clock of GetSystemTimePreciseAsFileTime under Wine) just
before the main key goes down, lets every key go again, last first, and answers the stamp in
nanoseconds since 1970 ("error ..." when a name has no key). Runs in one process for the whole
benchmark, so no process start sits between the stamp and the key. Ends with the connection,
or after an hour."""
import ctypes
import socket
import sys
import time


def load_x():
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
    return x11, xtst


def press(x11, xtst, display, names):
    codes = [x11.XKeysymToKeycode(display, x11.XStringToKeysym(n.encode())) for n in names]
    if not codes or 0 in codes:
        return "error no key for " + " ".join(names)
    for code in codes[:-1]:
        xtst.XTestFakeKeyEvent(display, code, 1, 0)
    # The modifiers are in the server before the clock is read.
    x11.XSync(display, 0)
    stamp = time.time_ns()
    xtst.XTestFakeKeyEvent(display, codes[-1], 1, 0)
    x11.XFlush(display)
    for code in reversed(codes):
        xtst.XTestFakeKeyEvent(display, code, 0, 0)
    x11.XSync(display, 0)
    return str(stamp)


def main():
    port = int(sys.argv[1])
    x11, xtst = load_x()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(1)
    listener.settimeout(60)
    connection, _ = listener.accept()
    listener.close()
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    connection.settimeout(3600)
    until = time.monotonic() + 3600
    for line in connection.makefile("r"):
        words = line.split()
        if len(words) >= 2 and words[0] == "press":
            answer = press(x11, xtst, display, words[1:])
        else:
            answer = "error unknown command"
        connection.sendall((answer + "\n").encode())
        if time.monotonic() > until:
            break


if __name__ == "__main__":
    main()
