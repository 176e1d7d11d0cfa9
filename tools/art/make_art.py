#!/usr/bin/env python3
"""Draws the program's icon and the sample disc's pictures (run by hand; the outputs are
committed). Pure standard library: 32-bit icon, 24-bit bitmaps."""
import struct, sys, math, os

def bmp24(width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - width * 3)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)

def icon32(pixel):
    size = 32
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixel(x, y)
            xor += bytes((b, g, r, a))
    andmask = b"\0" * (4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = info + bytes(xor) + andmask
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return head + entry + image

def disc_icon(x, y):
    cx = cy = 15.5
    d = math.hypot(x - cx, y - cy)
    if d > 15:
        return (0, 0, 0, 0)
    if d < 3:
        return (0, 0, 0, 0)
    if d < 5:
        return (200, 200, 210, 255)
    t = (math.atan2(y - cy, x - cx) + math.pi) / (2 * math.pi)
    return (int(80 + 120 * t), int(140 + 80 * (1 - t)), 230, 255)

def gradient(top, bottom, stripe):
    def pixel(x, y):
        t = y / 149.0
        r, g, b = (int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
        if (x // 16 + y // 16) % 2 == 0 and stripe:
            r, g, b = min(255, r + 20), min(255, g + 20), min(255, b + 20)
        return (r, g, b)
    return pixel

out = sys.argv[1] if len(sys.argv) > 1 else "."
with open(os.path.join(out, "resources", "setup.ico"), "wb") as f:
    f.write(icon32(disc_icon))
disc1 = os.path.join(out, "examples", "sample-disc", "disc1")
os.makedirs(disc1, exist_ok=True)
for name, top, bottom in (("back.bmp", (20, 40, 90), (90, 150, 220)),
                          ("welcome.bmp", (30, 90, 40), (160, 220, 120)),
                          ("done.bmp", (90, 40, 20), (230, 170, 80))):
    with open(os.path.join(disc1, name), "wb") as f:
        f.write(bmp24(200, 150, gradient(top, bottom, True)))
