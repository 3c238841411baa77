#!/usr/bin/python3
"""Draws the window's images and icon (dark theme) into resources/images.

    /usr/bin/python3 resources/make_images.py

Needs Debian's python3-pil. The output is committed; run this again only to change
the pictures. Each picture is drawn four times larger and scaled down, which gives
smooth edges without any font or external art.
"""
import io
import pathlib
import struct

from PIL import Image, ImageDraw, ImageFilter

OUT = pathlib.Path(__file__).resolve().parent / "images"
SS = 4  # supersampling factor

# Palette
BG_OUTER = (9, 11, 16)
PANEL_TOP = (29, 36, 54)
PANEL_BOTTOM = (15, 19, 28)
PANEL_EDGE = (48, 58, 82)
CAPTION = (22, 28, 42)
ACCENT_A = (47, 124, 246)   # blue
ACCENT_B = (34, 200, 230)   # cyan
TEXT_DIM = (150, 160, 182)
WHITE = (255, 255, 255)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    for y in range(h):
        c = lerp(top, bottom, y / max(h - 1, 1))
        for x in range(w):
            px[x, y] = c + (255,)
    return img


def diagonal_gradient(size, a, b):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    for y in range(h):
        for x in range(w):
            t = (x / max(w - 1, 1)) * 0.7 + (y / max(h - 1, 1)) * 0.3
            px[x, y] = lerp(a, b, t) + (255,)
    return img


def rounded_mask(size, box, radius):
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).rounded_rectangle(box, radius=radius, fill=255)
    return m


def down(img, size):
    return img.resize(size, Image.LANCZOS)


def save(img, name):
    OUT.mkdir(parents=True, exist_ok=True)
    img.save(OUT / f"{name}.png", optimize=True)


def brighten(c, f):
    return tuple(min(255, int(v * f)) for v in c)


# --- backdrop -------------------------------------------------------------------

def backdrop():
    w, h = 840, 580
    W, H = w * SS, h * SS
    img = Image.new("RGBA", (W, H), BG_OUTER + (255,))
    panel = vertical_gradient((W, H), PANEL_TOP, PANEL_BOTTOM)
    # A soft glow behind the logo and a fainter one at the bottom right.
    glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glow)
    cx, cy = 420 * SS, 250 * SS
    gd.ellipse((cx - 260 * SS, cy - 170 * SS, cx + 260 * SS, cy + 170 * SS), fill=ACCENT_A + (60,))
    gd.ellipse((640 * SS, 430 * SS, 980 * SS, 700 * SS), fill=ACCENT_B + (26,))
    glow = glow.filter(ImageFilter.GaussianBlur(90 * SS // 2))
    panel = Image.alpha_composite(panel, glow)
    # Faint diagonal speed lines in the upper right.
    lines = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ld = ImageDraw.Draw(lines)
    for i, alpha in enumerate((22, 16, 12, 9)):
        x0 = (560 + i * 46) * SS
        ld.line((x0, 48 * SS, x0 + 220 * SS, 200 * SS), fill=ACCENT_B + (alpha,), width=2 * SS)
    panel = Image.alpha_composite(panel, lines)
    # The caption band: darker at the top, fading out below the 40-pixel drag band so
    # that the title (whose text reaches its bottom) does not sit on a hard line.
    band = Image.new("RGBA", (W, 56 * SS), (0, 0, 0, 0))
    bd = ImageDraw.Draw(band)
    for y in range(56 * SS):
        t = y / (56 * SS)
        bd.line((0, y, W, y), fill=CAPTION + (int(190 * (1 - t) ** 1.6),))
    panel.alpha_composite(band, (0, 0))
    # The rounded panel inside the 5-pixel margin, with a thin edge.
    mask = rounded_mask((W, H), (3 * SS, 3 * SS, W - 3 * SS - 1, H - 3 * SS - 1), 12 * SS)
    edge = Image.new("RGBA", (W, H), PANEL_EDGE + (255,))
    img.paste(edge, (0, 0), mask)
    inner = rounded_mask((W, H), (4 * SS, 4 * SS, W - 4 * SS - 1, H - 4 * SS - 1), 11 * SS)
    img.paste(panel, (0, 0), inner)
    save(down(img, (w, h)).convert("RGB"), "imgbk")


# --- logos ------------------------------------------------------------------------

def bolt_logo(size, badge_box, colors, letter_color=WHITE):
    w, h = size
    W, H = w * SS, h * SS
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    x0, y0, x1, y1 = (v * SS for v in badge_box)
    bw, bh = x1 - x0, y1 - y0
    # Shadow and glow under the badge.
    shadow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rounded_rectangle((x0, y0 + 6 * SS, x1, y1 + 6 * SS),
                                             radius=bw // 4, fill=colors[0] + (110,))
    shadow = shadow.filter(ImageFilter.GaussianBlur(8 * SS))
    img = Image.alpha_composite(img, shadow)
    grad = diagonal_gradient((bw, bh), colors[0], colors[1])
    mask = rounded_mask((bw, bh), (0, 0, bw - 1, bh - 1), bw // 4)
    img.paste(grad, (x0, y0), mask)
    # A light sheen over the upper half.
    sheen = Image.new("RGBA", (bw, bh), (0, 0, 0, 0))
    ImageDraw.Draw(sheen).ellipse((-bw // 2, -bh, bw + bw // 2, bh // 2), fill=(255, 255, 255, 34))
    sheen_mask = Image.new("L", (bw, bh), 0)
    sheen_mask.paste(sheen.split()[3], (0, 0), mask)
    sheen.putalpha(sheen_mask)
    img.alpha_composite(sheen, (x0, y0))
    # The bolt: a stylised Z.
    def p(fx, fy):
        return (x0 + fx * bw, y0 + fy * bh)
    bolt = [p(0.30, 0.20), p(0.74, 0.20), p(0.50, 0.46), p(0.68, 0.46),
            p(0.30, 0.82), p(0.46, 0.54), p(0.28, 0.54), p(0.45, 0.30), p(0.30, 0.30)]
    d = ImageDraw.Draw(img)
    d.polygon(bolt, fill=letter_color + (255,))
    return down(img, size)


def logos():
    save(bolt_logo((148, 132), (24, 8, 124, 108), (ACCENT_A, ACCENT_B)), "zplogo")
    save(bolt_logo((136, 128), (20, 8, 116, 104), ((240, 120, 40), (250, 190, 60))), "orlogo")


# --- buttons ------------------------------------------------------------------------

def state_strip(count, size, draw_state):
    w, h = size
    strip = Image.new("RGBA", (w * count, h), (0, 0, 0, 0))
    for i in range(count):
        strip.alpha_composite(draw_state(i), (i * w, 0))
    return strip


def pill_button(state):
    w, h = 180, 40
    W, H = w * SS, h * SS
    a, b = ACCENT_A, ACCENT_B
    if state == 1:
        a, b = brighten(a, 1.15), brighten(b, 1.12)
    elif state == 2:
        a, b = brighten(a, 0.78), brighten(b, 0.78)
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    grad = diagonal_gradient((W, H), a, b)
    mask = rounded_mask((W, H), (SS, SS, W - SS - 1, H - SS - 1), H // 2)
    img.paste(grad, (0, 0), mask)
    if state != 2:
        hi = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        ImageDraw.Draw(hi).rounded_rectangle((3 * SS, 2 * SS, W - 3 * SS, H // 2),
                                             radius=H // 4, fill=(255, 255, 255, 38 if state == 0 else 56))
        img = Image.alpha_composite(img, hi)
    return down(img, (w, h))


def flat_button(state):
    w, h = 90, 32
    W, H = w * SS, h * SS
    fill = [(30, 38, 56), (38, 50, 74), (22, 28, 42)][state]
    border = [(60, 74, 102), ACCENT_B, (52, 64, 90)][state]
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ImageDraw.Draw(img).rounded_rectangle((SS, SS, W - SS - 1, H - SS - 1), radius=5 * SS,
                                          fill=fill + (255,), outline=border + (255,), width=SS)
    return down(img, (w, h))


def glyph_button(kind, state):
    w = h = 18
    W, H = w * SS, h * SS
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if state:
        if kind == "close":
            bg = (226, 72, 72) if state == 1 else (176, 48, 48)
        else:
            bg = (70, 84, 112) if state == 1 else (50, 60, 82)
        d.ellipse((0, 0, W - 1, H - 1), fill=bg + (255,))
    color = WHITE if state else (190, 198, 214)
    m = 5 * SS
    if kind == "close":
        d.line((m, m, W - m, H - m), fill=color + (255,), width=int(1.6 * SS))
        d.line((m, H - m, W - m, m), fill=color + (255,), width=int(1.6 * SS))
    else:
        d.line((m, H // 2, W - m, H // 2), fill=color + (255,), width=int(1.6 * SS))
    return down(img, (w, h))


def buttons():
    save(state_strip(3, (180, 40), pill_button), "buttonlogin")
    save(state_strip(3, (90, 32), flat_button), "custom_button")
    save(state_strip(3, (18, 18), lambda s: glyph_button("close", s)), "close")
    save(state_strip(3, (18, 18), lambda s: glyph_button("min", s)), "min")


# --- check box, edit, progress --------------------------------------------------

def checkbox(state):
    w = h = 14
    W, H = w * SS, h * SS
    checked, kind = divmod(state, 4)  # kind: 0 normal, 1 hover, 2 pressed, 3 disabled
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    box = (SS // 2, SS // 2, W - SS // 2 - 1, H - SS // 2 - 1)
    if checked:
        fill = [ACCENT_A, brighten(ACCENT_A, 1.15), brighten(ACCENT_A, 0.8), (70, 78, 96)][kind]
        d.rounded_rectangle(box, radius=3 * SS, fill=fill + (255,))
        mark = WHITE if kind != 3 else (150, 156, 170)
        d.line(((3.2 * SS, 7.2 * SS), (5.9 * SS, 9.9 * SS), (10.8 * SS, 4.4 * SS)),
               fill=mark + (255,), width=int(1.8 * SS), joint="curve")
    else:
        border = [(104, 116, 142), ACCENT_B, (84, 96, 122), (62, 68, 84)][kind]
        fill = [(20, 26, 38), (26, 34, 50), (14, 18, 28), (24, 28, 36)][kind]
        d.rounded_rectangle(box, radius=3 * SS, fill=fill + (255,), outline=border + (255,),
                            width=int(1.2 * SS))
    return down(img, (w, h))


def edit_frame():
    # Three states of 203 pixels (610 / 3, the last column unused): normal, hover, focus.
    w, h, sw = 610, 32, 203
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    for i, border in enumerate(((52, 64, 90), (74, 92, 126), ACCENT_B)):
        s = Image.new("RGBA", (sw * SS, h * SS), (0, 0, 0, 0))
        ImageDraw.Draw(s).rounded_rectangle((0, 0, sw * SS - 1, h * SS - 1), radius=2 * SS,
                                            fill=(13, 17, 26, 255), outline=border + (255,),
                                            width=SS)
        img.alpha_composite(down(s, (sw, h)), (i * sw, 0))
    save(img, "main_edit")


def progress():
    # The groove: opaque, drawn on the panel's colour where the bar sits.
    w, h = 20, 8
    W, H = w * SS, h * SS
    bg = Image.new("RGBA", (W, H), (17, 22, 32, 255))
    ImageDraw.Draw(bg).rounded_rectangle((0, 0, W - 1, H - 1), radius=H // 2,
                                         fill=(8, 10, 16, 255), outline=(40, 48, 68, 255), width=SS)
    save(down(bg, (w, h)).convert("RGB"), "progress_bkg")
    w, h = 20, 6
    W, H = w * SS, h * SS
    fg = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    grad = vertical_gradient((W, H), brighten(ACCENT_B, 1.1), ACCENT_A)
    fg.paste(grad, (0, 0), rounded_mask((W, H), (0, 0, W - 1, H - 1), H // 2))
    save(down(fg, (w, h)), "progress_frg")


def radio_dots():
    def dot(state):
        img = Image.new("RGBA", (24 * SS, 8 * SS), (0, 0, 0, 0))
        on, kind = divmod(state, 4)
        color = [(104, 116, 142), ACCENT_B, (84, 96, 122), (62, 68, 84)][kind]
        d = ImageDraw.Draw(img)
        d.ellipse((8 * SS, 0, 16 * SS - 1, 8 * SS - 1), outline=color + (255,), width=SS,
                  fill=(color + (255,)) if on else None)
        return down(img, (24, 8))
    save(state_strip(8, (24, 8), dot), "radio_select")
    write_res("IMG", "RADIO选择", (OUT / "radio_select.png").read_bytes(), "radio_select.res")


def write_res(res_type, name, data, file_name):
    """A compiled resource file holding one resource, Chinese (PRC).

    The resource compiler cannot take a name outside ASCII in a script, so this
    image's resource comes precompiled and the build links it beside update.rc."""
    def text(s):
        return s.upper().encode("utf-16-le") + b"\0\0"

    def pad(b):
        return b + b"\0" * (-len(b) % 4)

    def entry(rtype, rname, payload, language):
        header = pad(rtype + rname)
        header += struct.pack("<IHHII", 0, 0x1030, language, 0, 0)
        return pad(struct.pack("<II", len(payload), 8 + len(header)) + header + payload)

    empty = entry(b"\xff\xff\0\0", b"\xff\xff\0\0", b"", 0)
    (OUT / file_name).write_bytes(empty + entry(text(res_type), text(name), data, 0x0804))


# --- icon ------------------------------------------------------------------------------

def icon():
    sizes = (16, 32, 48, 64, 128, 256)
    entries = []
    for s in sizes:
        pad = max(1, s // 16)
        img = bolt_logo((s, s), (pad, pad, s - pad, s - pad), (ACCENT_A, ACCENT_B)) if s >= 48 else \
            simple_badge(s)
        if s == 256:
            buf = io.BytesIO()
            img.save(buf, format="PNG", optimize=True)
            data = buf.getvalue()
        else:
            data = dib_icon(img)
        entries.append((s, data))
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory, blobs = b"", b""
    for s, data in entries:
        directory += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    (OUT / "logo.ico").write_bytes(header + directory + blobs)


def simple_badge(s):
    # At the small sizes the bolt alone, without shadow, stays readable.
    W = s * SS
    img = Image.new("RGBA", (W, W), (0, 0, 0, 0))
    grad = diagonal_gradient((W, W), ACCENT_A, ACCENT_B)
    img.paste(grad, (0, 0), rounded_mask((W, W), (0, 0, W - 1, W - 1), W // 4))
    def p(fx, fy):
        return (fx * W, fy * W)
    ImageDraw.Draw(img).polygon([p(0.28, 0.16), p(0.78, 0.16), p(0.52, 0.46), p(0.72, 0.46),
                                 p(0.28, 0.86), p(0.46, 0.56), p(0.26, 0.56), p(0.44, 0.28),
                                 p(0.28, 0.28)], fill=WHITE + (255,))
    return down(img, (s, s))


def dib_icon(img):
    """A 32-bit BMP icon image: header, bottom-up BGRA rows, then the AND mask."""
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    px = img.load()
    rows = b""
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            rows += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = b""
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            if px[x, y][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + rows + mask


def main():
    backdrop()
    logos()
    buttons()
    for_state = [checkbox(i) for i in range(8)]
    strip = Image.new("RGBA", (112, 14), (0, 0, 0, 0))
    for i, s in enumerate(for_state):
        strip.alpha_composite(s, (i * 14, 0))
    save(strip, "login_checkbox")
    edit_frame()
    progress()
    radio_dots()
    icon()


if __name__ == "__main__":
    main()
