#!/usr/bin/env python3
"""Draws the X server's current cursor into a screen picture, which the
screen's own picture never holds: XFixes gives the cursor's image and place.

Usage: cursor_picture.py SCREEN_PNG OUTPUT_PNG [CROP: x0 y0 x1 y1]
Prints the cursor's name (the X cursor theme's, when Wine took it from there).
"""
import ctypes
import os
import subprocess
import sys
import tempfile


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def current_cursor():
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    xfixes = ctypes.cdll.LoadLibrary("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cursor_picture: no X display")
    image = xfixes.XFixesGetCursorImage(display).contents
    rgba = bytearray()
    for i in range(image.width * image.height):
        argb = image.pixels[i] & 0xFFFFFFFF
        rgba += bytes(((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, argb >> 24))
    return image, bytes(rgba)


def main():
    screen, output = sys.argv[1], sys.argv[2]
    image, rgba = current_cursor()
    with tempfile.TemporaryDirectory() as work:
        raw, cursor = os.path.join(work, "cursor.rgba"), os.path.join(work, "cursor.png")
        with open(raw, "wb") as out:
            out.write(rgba)
        subprocess.run(["convert", "-size", "%dx%d" % (image.width, image.height), "-depth", "8",
                        "rgba:" + raw, cursor], check=True)
        place = "+%d+%d" % (image.x - image.xhot, image.y - image.yhot)
        subprocess.run(["composite", "-geometry", place, cursor, screen, output], check=True)
    if len(sys.argv) == 7:
        x0, y0, x1, y1 = (int(v) for v in sys.argv[3:7])
        subprocess.run(["convert", output, "-crop", "%dx%d+%d+%d" % (x1 - x0, y1 - y0, x0, y0), "+repage",
                        "-strip", output], check=True)
    print("cursor: %s, %dx%d at %d,%d" % ((image.name or b"(no name)").decode(), image.width, image.height,
                                          image.x, image.y))


if __name__ == "__main__":
    main()
