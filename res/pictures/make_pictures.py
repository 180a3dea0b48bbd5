#!/usr/bin/python3
"""Draws the PNG pictures that veko.dll carries as "PNG" resources.

Run from anywhere with Debian's interpreter:

    /usr/bin/python3 res/pictures/make_pictures.py

Needs python3-pil and fonts-wqy-zenhei (apt-get install python3-pil fonts-wqy-zenhei).
Writes res/png/<id>.png (full configuration) and res/png/compact/<id>.png (the wider
badge strips of the compact configuration). The output is byte-for-byte the same on
every run: no metadata chunks, fixed compression.

Chinese text uses the "Sharp" face of WenQuanYi Zen Hei at 12 px, which has embedded
bitmaps at that size, so the small lines come out crisp. Shapes are drawn at 4x and
box-filtered down for antialiased edges.
"""

import os
import struct
import sys
import zlib

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, "..", "png"))
OUT_COMPACT = os.path.join(OUT, "compact")

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
CJK_SHARP = 2  # face index of "WenQuanYi Zen Hei Sharp" in the collection
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
LATIN_BOLD_CONDENSED = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"

PRODUCT = "koxQuenda"
SLOGAN = "网址安全，实时守护"

SS = 4  # supersampling factor for shapes

# ---------------------------------------------------------------------------
# palette

WHITE = (255, 255, 255, 255)
INK = (51, 58, 68, 255)            # normal link text
INK_SOFT = (110, 120, 132, 255)    # secondary text
LINK_HOVER = (30, 158, 62, 255)
LINK_PRESSED = (20, 118, 45, 255)
PANEL = (243, 245, 247)
PANEL_BORDER = (160, 170, 181)
FOOTER = (232, 236, 240)
BRAND = (31, 138, 74)               # the product's green
BRAND_DARK = (22, 96, 52)

# (top, bottom, border) of each verdict colour
SAFE = ((96, 204, 92), (44, 154, 52), (30, 116, 38))
DANGER = ((255, 126, 72), (226, 66, 28), (170, 44, 14))
MONITOR_OFF = ((252, 186, 50), (228, 130, 0), (172, 98, 0))

BAND_SAFE = ((84, 190, 84), (46, 152, 56))
BAND_DANGER = ((246, 104, 56), (214, 60, 26))
BAND_MONITOR_OFF = ((246, 170, 40), (222, 128, 8))


def fonts():
    return {
        "cjk": ImageFont.truetype(CJK_FONT, 12, index=CJK_SHARP),
        "name": ImageFont.truetype(LATIN_BOLD, 17),
        "logo_word": ImageFont.truetype(LATIN_BOLD, 11),
        "badge": ImageFont.truetype(LATIN_BOLD_CONDENSED, 9),
    }


# ---------------------------------------------------------------------------
# small helpers


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def lighten(c, t):
    return lerp(c, (255, 255, 255), t)


def darken(c, t):
    return lerp(c, (0, 0, 0), t)


def rgba(c, a=255):
    return tuple(c[:3]) + (a,)


def vgradient(w, h, top, bottom, y0=0, y1=None):
    """Vertical gradient over rows y0..y1 of a w x h image, clamped outside."""
    if y1 is None:
        y1 = h
    col = Image.new("RGBA", (1, h))
    span = max(1, y1 - y0 - 1)
    for y in range(h):
        t = min(1.0, max(0.0, (y - y0) / span))
        col.putpixel((0, y), rgba(lerp(top, bottom, t)))
    return col.resize((w, h), Image.NEAREST)


def coverage(w, h, draw_fn):
    """An antialiased coverage mask: draw_fn(draw, s) paints 255 on a canvas s times larger."""
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.reduce(SS)


def paint(dst, src, mask, x=0, y=0):
    """Composites a colour or an RGBA picture through a coverage mask onto dst at (x, y)."""
    if isinstance(src, tuple):
        src = Image.new("RGBA", mask.size, rgba(src, src[3] if len(src) > 3 else 255))
    layer = src.copy()
    layer.putalpha(ImageChops.multiply(layer.getchannel("A"), mask))
    dst.alpha_composite(layer, (x, y))


def text_mask(size, text, font, x, y, underline_row=None, underline_span=None):
    m = Image.new("L", size, 0)
    d = ImageDraw.Draw(m)
    d.text((x, y), text, font=font, fill=255)
    if underline_row is not None:
        x0, x1 = underline_span
        d.line([(x0, underline_row), (x1 - 1, underline_row)], fill=255)
    return m


def draw_text(dst, text, font, x, y, colour, shadow=None):
    if shadow is not None:
        paint(dst, shadow, text_mask(dst.size, text, font, x + 1, y + 1))
    paint(dst, colour, text_mask(dst.size, text, font, x, y))


def text_width(font, text):
    return int(round(font.getlength(text)))


# ---------------------------------------------------------------------------
# shapes (coordinates in output pixels, scaled by s inside the draw functions)


def bezier(p0, p1, p2, n=16):
    pts = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        pts.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                    u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))
    return pts


def shield_points(x, y, w, h):
    """Outline of the product's shield: flat shoulders, curved flanks meeting in a point."""
    right = bezier((x + w, y + h * 0.16), (x + w, y + h * 0.72), (x + w * 0.5, y + h))
    left = bezier((x + w * 0.5, y + h), (x, y + h * 0.72), (x, y + h * 0.16))
    shoulder = bezier((x, y + h * 0.16), (x + w * 0.25, y + h * 0.10), (x + w * 0.5, y), 8)
    shoulder_r = bezier((x + w * 0.5, y), (x + w * 0.75, y + h * 0.10), (x + w, y + h * 0.16), 8)
    return shoulder_r + right[1:] + left[1:] + shoulder[1:]


def scaled(points, s):
    return [(px * s, py * s) for px, py in points]


def shield_mask(w, h, x, y, sw, sh):
    return coverage(w, h, lambda d, s: d.polygon(scaled(shield_points(x, y, sw, sh), s), fill=255))


def check_mask(w, h, pts, width):
    def fn(d, s):
        d.line(scaled(pts, s), fill=255, width=int(round(width * s)), joint="curve")
        r = width * s / 2
        for px, py in (pts[0], pts[-1]):
            d.ellipse([px * s - r, py * s - r, px * s + r, py * s + r], fill=255)
    return coverage(w, h, fn)


def exclamation_mask(w, h, cx, top, bar_h, width, dot_gap):
    def fn(d, s):
        r = width * s / 2
        d.rounded_rectangle([(cx - width / 2) * s, top * s, (cx + width / 2) * s, (top + bar_h) * s],
                            radius=r, fill=255)
        dy = top + bar_h + dot_gap + width / 2
        d.ellipse([cx * s - r * 1.1, dy * s - r * 1.1, cx * s + r * 1.1, dy * s + r * 1.1], fill=255)
    return coverage(w, h, fn)


# ---------------------------------------------------------------------------
# the product logo


def logo(size_w, size_h, x, y, sw, sh, on=None):
    """The shield with a white Q, as an RGBA layer of size_w x size_h."""
    img = Image.new("RGBA", (size_w, size_h), (0, 0, 0, 0))
    grad = vgradient(size_w, size_h, (78, 196, 110), BRAND_DARK, int(y), int(y + sh))
    paint(img, grad, shield_mask(size_w, size_h, x, y, sw, sh))
    # a lighter left half gives the shield a fold
    def half(d, s):
        pts = shield_points(x, y, sw, sh)
        mid = x + sw * 0.5
        d.polygon(scaled([p for p in pts if p[0] <= mid + 0.01] + [(mid, y)], s), fill=255)
    paint(img, (255, 255, 255, 38), coverage(size_w, size_h, half))
    if on is not None:
        on(img)
    return img


def logo_q_mark(img, x, y, sw, sh):
    """A ring with a tail: the Q of the logo, drawn as shapes so it scales to any size."""
    w, h = img.size
    cx, cy = x + sw * 0.5, y + sh * 0.44
    r = sw * 0.25
    t = max(1.2, sw * 0.085)

    def ring(d, s):
        d.ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255)
        ri = r - t
        d.ellipse([(cx - ri) * s, (cy - ri) * s, (cx + ri) * s, (cy + ri) * s], fill=0)
        d.line([((cx + r * 0.15) * s, (cy + r * 0.35) * s), ((cx + r * 0.95) * s, (cy + r * 1.25) * s)],
               fill=255, width=int(round(t * s)))
    paint(img, WHITE, coverage(w, h, ring))


# ---------------------------------------------------------------------------
# badge strips (tip button): three frames, normal / hover / pressed


def badge_frame(fw, fh, colours, mark, rounded, state, f):
    top, bottom, border = colours
    if state == 1:
        top, bottom, border = lighten(top, 0.16), lighten(bottom, 0.14), lighten(border, 0.12)
    elif state == 2:
        top, bottom, border = darken(top, 0.12), darken(bottom, 0.12), darken(border, 0.12)
    img = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
    radius = 3.5 if rounded else 0.0

    def outer(d, s):
        d.rounded_rectangle([0, 0, fw * s - 1, fh * s - 1], radius=radius * s, fill=255)

    def inner(d, s):
        d.rounded_rectangle([s, s, (fw - 1) * s - 1, (fh - 1) * s - 1],
                            radius=max(0.0, radius - 1) * s, fill=255)

    paint(img, border, coverage(fw, fh, outer))
    paint(img, vgradient(fw, fh, top, bottom, 1, fh - 1), coverage(fw, fh, inner))
    # glossy upper half
    def gloss(d, s):
        d.rounded_rectangle([s, s, (fw - 1) * s - 1, (fh * 0.5) * s],
                            radius=max(0.0, radius - 1) * s, fill=255)
    paint(img, (255, 255, 255, 40 if state != 2 else 18), coverage(fw, fh, gloss))

    # content: white shield with a coloured mark, then the "kQ" lettering
    dy = 1 if state == 2 else 0
    content_w = 9 + 2 + text_width(f["badge"], "kQ")
    x0 = (fw - content_w) / 2.0
    x0 = int(x0)
    paint(img, WHITE, shield_mask(fw, fh, x0, 2 + dy, 9, 10))
    if mark == "check":
        paint(img, bottom, check_mask(fw, fh, [(x0 + 2.4, 6.7 + dy), (x0 + 4.1, 8.4 + dy), (x0 + 6.8, 5.0 + dy)], 1.3))
    else:
        paint(img, bottom, exclamation_mask(fw, fh, x0 + 4.5, 3.6 + dy, 3.3, 1.5, 0.9))
    draw_text(img, "kQ", f["badge"], x0 + 11, 1 + dy, WHITE, shadow=rgba(darken(bottom, 0.4), 70))
    return img


def badge_strip(fw, colours, mark, rounded, f):
    fh = 14
    strip = Image.new("RGBA", (fw * 3, fh), (0, 0, 0, 0))
    for state in range(3):
        strip.alpha_composite(badge_frame(fw, fh, colours, mark, rounded, state, f), (fw * state, 0))
    if not rounded:
        strip = flatten(strip)
    return strip


def blank_strip():
    return Image.new("RGB", (90, 14), (255, 255, 255))


def flatten(img, bg=(255, 255, 255)):
    base = Image.new("RGBA", img.size, rgba(bg))
    base.alpha_composite(img)
    return base.convert("RGB")


# ---------------------------------------------------------------------------
# pop-up panel backgrounds, 340 x 216

PW, PH = 340, 216
NOTCH_TIP_X = 247.5   # centre of column 247
NOTCH_TOP = 1.0
BODY_TOP = 9.0
NOTCH_HALF = 8.0
HEADER_BOTTOM = 66
BAND_TOP, BAND_BOTTOM = 66, 116
FOOTER_TOP = 188


def panel_shape(d, s, inset=0.0):
    r = 6.0
    x0, y0, x1, y1 = 1.0 + inset, BODY_TOP + inset, PW - 1.0 - inset, PH - 1.0 - inset
    d.rounded_rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], radius=max(1.0, r - inset) * s, fill=255)
    # the notch points up at the badge; the inset copy follows the edges inwards
    k = inset * 2.06  # a 1:1 notch slope moves its tip down by about 2 insets
    d.polygon(scaled([(NOTCH_TIP_X - NOTCH_HALF - inset * 0.4, BODY_TOP + inset + 0.5),
                      (NOTCH_TIP_X, NOTCH_TOP + k),
                      (NOTCH_TIP_X + NOTCH_HALF + inset * 0.4, BODY_TOP + inset + 0.5)], s), fill=255)


def panel_base(f):
    img = Image.new("RGBA", (PW, PH), (0, 0, 0, 0))
    outer = coverage(PW, PH, lambda d, s: panel_shape(d, s, 0.0))
    inner = coverage(PW, PH, lambda d, s: panel_shape(d, s, 1.0))

    # soft shadow just outside the outline
    shadow = outer.filter(ImageFilter.MaxFilter(3)).filter(ImageFilter.BoxBlur(1))
    paint(img, (0, 0, 0, 40), shadow)
    paint(img, PANEL_BORDER, outer)

    content = Image.new("RGBA", (PW, PH), rgba(PANEL))
    # header: white fading into the panel grey, with a hairline under it
    content.alpha_composite(vgradient(PW, HEADER_BOTTOM, (255, 255, 255), (236, 240, 243), 0, HEADER_BOTTOM))
    # footer
    ImageDraw.Draw(content).rectangle([0, FOOTER_TOP, PW, PH], fill=rgba(FOOTER))
    ImageDraw.Draw(content).line([(0, FOOTER_TOP), (PW, FOOTER_TOP)], fill=(214, 220, 226, 255))

    # header: logo, product name, slogan
    content.alpha_composite(logo(30, 34, 0.5, 0.5, 29, 33, on=lambda im: logo_q_mark(im, 0.5, 0.5, 29, 33)),
                            (14, 20))
    draw_text(content, PRODUCT, f["name"], 52, 17, rgba(BRAND_DARK))
    draw_text(content, SLOGAN, f["cjk"], 53, 40, INK_SOFT)

    # tools section
    draw_text(content, "您还可以使用以下功能：", f["cjk"], 14, 119, INK_SOFT)
    icon_colour = (92, 122, 140, 255)
    paint(content, icon_colour, icon_house(), 47, 137)
    paint(content, icon_colour, icon_globe(), 193, 137)
    paint(content, icon_colour, icon_flag(), 47, 165)

    paint(img, content, inner)
    return img


def icon_house():
    def fn(d, s):
        d.polygon(scaled([(7, 0.6), (14, 7), (12, 7), (12, 13.4), (2, 13.4), (2, 7), (0, 7)], s), fill=255)
        d.rectangle([5.7 * s, 8.6 * s, 8.3 * s, 13.4 * s], fill=0)
    return coverage(14, 14, fn)


def icon_globe():
    def fn(d, s):
        d.ellipse([0.5 * s, 0.5 * s, 13.5 * s, 13.5 * s], fill=255)
        d.ellipse([1.9 * s, 1.9 * s, 12.1 * s, 12.1 * s], fill=0)
        d.ellipse([4.3 * s, 0.8 * s, 9.7 * s, 13.2 * s], outline=255, width=int(1.3 * s))
        d.line([(1 * s, 7 * s), (13 * s, 7 * s)], fill=255, width=int(1.3 * s))
        d.line([(7 * s, 1 * s), (7 * s, 13 * s)], fill=255, width=int(1.3 * s))
    return coverage(14, 14, fn)


def icon_flag():
    def fn(d, s):
        d.rectangle([2 * s, 0.8 * s, 3.4 * s, 13.4 * s], fill=255)
        d.polygon(scaled([(3.4, 1.2), (12.8, 1.2), (10.2, 4.6), (12.8, 8.0), (3.4, 8.0)], s), fill=255)
    return coverage(14, 14, fn)


def band(img, colours, sign, f, sentence=None):
    top, bottom = colours
    w = PW
    layer = Image.new("RGBA", (w, PH), (0, 0, 0, 0))
    layer.alpha_composite(vgradient(w, BAND_BOTTOM - BAND_TOP, top, bottom), (0, BAND_TOP))
    ImageDraw.Draw(layer).line([(0, BAND_TOP), (w, BAND_TOP)], fill=rgba(lighten(top, 0.25)))
    ImageDraw.Draw(layer).line([(0, BAND_BOTTOM - 1), (w, BAND_BOTTOM - 1)], fill=rgba(darken(bottom, 0.12)))
    cx, cy = 41.0, (BAND_TOP + BAND_BOTTOM) / 2.0
    r = 15.0
    paint(layer, WHITE, coverage(w, PH, lambda d, s: d.ellipse(
        [(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255)))
    mark_colour = rgba(darken(bottom, 0.05))
    if sign == "check":
        paint(layer, mark_colour, check_mask(w, PH, [(cx - 7.0, cy + 0.2), (cx - 2.2, cy + 5.0), (cx + 7.2, cy - 5.2)], 3.4))
    else:
        paint(layer, mark_colour, exclamation_mask(w, PH, cx, cy - 9.5, 12.5, 3.6, 2.4))
    if sentence:
        # same place and style as the message lines drawn over the band
        draw_text(layer, sentence, f["cjk"], 71, 83, WHITE, shadow=rgba(darken(bottom, 0.3), 110))
    inner = coverage(PW, PH, lambda d, s: panel_shape(d, s, 1.0))
    a = ImageChops.multiply(layer.getchannel("A"), inner)
    layer.putalpha(a)
    img.alpha_composite(layer)
    return img


# ---------------------------------------------------------------------------
# white message lines, 13 high


MESSAGES = {
    320: (207, "危险！您正在访问的网站是钓鱼网站"),
    321: (207, "危险！您正在访问的网站是木马网站"),
    322: (245, "警告！您正在访问的网页存在恶意攻击行为"),
    323: (200, "危险！您正在访问的网站是欺诈网站"),
    324: (200, "警告！您正在访问的网站存在风险"),
    325: (156, "提示：该网址正在检测中"),
    326: (230, "提示：您已将正在访问的网站设置为拦截"),
    327: (245, "警告：网页防木马功能已关闭，建议立即开启"),
    328: (255, "警告：网页防欺诈功能已关闭，建议立即开启"),
}


def message_line(width, text, f):
    img = Image.new("RGBA", (width, 13), (0, 0, 0, 0))
    # a faint dark edge keeps the white legible on the amber band as well
    draw_text(img, text, f["cjk"], 0, -1, WHITE, shadow=(0, 0, 0, 70))
    return img


# ---------------------------------------------------------------------------
# link strips and the close button: three frames, normal / hover / pressed


def link_strip(fw, fh, text, f, align="left", prefix=None):
    strip = Image.new("RGBA", (fw * 3, fh), (0, 0, 0, 0))
    font = f["cjk"]
    tw = text_width(font, text)
    pw = 0 if prefix is None else prefix.size[0] + 2
    total = pw + tw
    x0 = 0 if align == "left" else fw - total
    ty = -1 if fh == 13 else 0
    urow = fh - 1
    for i, colour in enumerate((INK, LINK_HOVER, LINK_PRESSED)):
        frame = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
        if prefix is not None:
            frame.alpha_composite(prefix, (x0, (fh - prefix.size[1]) // 2))
        under = None if i == 0 else urow
        m = text_mask((fw, fh), text, font, x0 + pw, ty, under, (x0 + pw, x0 + pw + tw))
        paint(frame, colour, m)
        strip.alpha_composite(frame, (fw * i, 0))
    return strip


def close_strip():
    fw, fh = 19, 20
    strip = Image.new("RGBA", (fw * 3, fh), (0, 0, 0, 0))
    colours = [((196, 202, 208), (160, 168, 176)), ((244, 98, 82), (220, 56, 42)), ((186, 48, 36), (150, 30, 22))]
    cx, cy, r = 9.5, 10.0, 8.0
    for i, (top, bottom) in enumerate(colours):
        frame = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
        disc = coverage(fw, fh, lambda d, s: d.ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255))
        paint(frame, vgradient(fw, fh, top, bottom, 2, 18), disc)
        a = 3.3

        def cross(d, s):
            w = int(round(1.7 * s))
            d.line([((cx - a) * s, (cy - a) * s), ((cx + a) * s, (cy + a) * s)], fill=255, width=w)
            d.line([((cx - a) * s, (cy + a) * s), ((cx + a) * s, (cy - a) * s)], fill=255, width=w)
        paint(frame, WHITE, coverage(fw, fh, cross))
        strip.alpha_composite(frame, (fw * i, 0))
    return strip


# ---------------------------------------------------------------------------
# spare pictures: the big logo and a bullet


def big_logo(f):
    img = Image.new("RGBA", (90, 90), (255, 255, 255, 255))
    sh = logo(90, 90, 19, 5, 52, 60, on=lambda im: logo_q_mark(im, 19, 5, 52, 60))
    img.alpha_composite(sh)
    font = f["logo_word"]
    tw = text_width(font, PRODUCT)
    draw_text(img, PRODUCT, font, (90 - tw) // 2, 72, rgba(BRAND_DARK))
    return img.convert("RGB")


def bullet():
    img = Image.new("RGBA", (6, 6), rgba(PANEL))
    paint(img, rgba(BRAND), coverage(6, 6, lambda d, s: d.ellipse([0.5 * s, 0.5 * s, 5.5 * s, 5.5 * s], fill=255)))
    return img.convert("RGB")


# ---------------------------------------------------------------------------
# output


EXPECTED = {
    300: (216, 14, 6), 301: (180, 14, 6), 302: (144, 14, 6), 303: (144, 14, 6),
    310: (340, 216, 6), 311: (340, 216, 6), 312: (340, 216, 6),
    320: (207, 13, 6), 321: (207, 13, 6), 322: (245, 13, 6), 323: (200, 13, 6), 324: (200, 13, 6),
    325: (156, 13, 6), 326: (230, 13, 6), 327: (245, 13, 6), 328: (255, 13, 6),
    330: (57, 20, 6), 340: (90, 90, 2),
    350: (90, 14, 6), 351: (90, 14, 6), 352: (90, 14, 6), 353: (90, 14, 2),
    355: (90, 14, 2), 356: (90, 14, 2), 357: (90, 14, 2),
    370: (144, 13, 6), 371: (468, 13, 6), 380: (6, 6, 2),
}
EXPECTED_COMPACT = {350: (102, 14, 6), 351: (102, 14, 6), 352: (102, 14, 6)}


def save(img, path):
    # fixed settings and no ancillary chunks: the same bytes on every run
    img.save(path, format="PNG", optimize=False, compress_level=9)


def png_header(path):
    with open(path, "rb") as fh:
        data = fh.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    length, kind = struct.unpack(">I4s", data[8:16])
    assert kind == b"IHDR" and length == 13, path
    w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
    assert zlib.crc32(data[12:29]) == struct.unpack(">I", data[29:33])[0], path
    chunks = []
    pos = 8
    while pos < len(data):
        n, k = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.append(k.decode("ascii"))
        pos += 12 + n
    return w, h, depth, colour, chunks


def check(directory, expected):
    for rid, (w, h, colour) in sorted(expected.items()):
        path = os.path.join(directory, "%d.png" % rid)
        got = png_header(path)
        assert got[:4] == (w, h, 8, colour), "%s: %r, expected %dx%d colour type %d" % (path, got[:4], w, h, colour)
        assert set(got[4]) <= {"IHDR", "IDAT", "IEND"}, "%s: extra chunks %r" % (path, got[4])
        mode = Image.open(path).mode
        assert mode == ("RGBA" if colour == 6 else "RGB"), "%s: mode %s" % (path, mode)


def main():
    f = fonts()
    os.makedirs(OUT_COMPACT, exist_ok=True)
    pics = {}

    # link strips
    pics[303] = link_strip(48, 14, "主页修复", f)
    pics[300] = link_strip(72, 14, "举报当前网址", f)
    pics[301] = link_strip(60, 14, "浏览器修复", f)
    pics[302] = link_strip(48, 14, "查看详情", f)
    mini = logo(12, 13, 0.5, 0.3, 11, 12.4)
    pics[370] = link_strip(48, 13, "打开", f, prefix=mini)
    pics[371] = link_strip(156, 13, "隐藏地址栏状态图标", f, align="right")

    # panel backgrounds
    base = panel_base(f)
    pics[310] = band(base.copy(), BAND_SAFE, "check", f, "当前网页已通过安全检测，请放心访问")
    pics[311] = band(base.copy(), BAND_DANGER, "exclamation", f)
    pics[312] = band(base.copy(), BAND_MONITOR_OFF, "exclamation", f)

    for rid, (width, text) in MESSAGES.items():
        pics[rid] = message_line(width, text, f)

    pics[330] = close_strip()
    pics[340] = big_logo(f)

    # badges: rounded with alpha corners, and the square opaque set
    pics[350] = badge_strip(30, SAFE, "check", True, f)
    pics[351] = badge_strip(30, DANGER, "exclamation", True, f)
    pics[352] = badge_strip(30, MONITOR_OFF, "exclamation", True, f)
    pics[353] = blank_strip()
    pics[355] = badge_strip(30, SAFE, "check", False, f)
    pics[356] = badge_strip(30, DANGER, "exclamation", False, f)
    pics[357] = badge_strip(30, MONITOR_OFF, "exclamation", False, f)
    pics[380] = bullet()

    compact = {
        350: badge_strip(34, SAFE, "check", True, f),
        351: badge_strip(34, DANGER, "exclamation", True, f),
        352: badge_strip(34, MONITOR_OFF, "exclamation", True, f),
    }

    for rid, img in sorted(pics.items()):
        save(img, os.path.join(OUT, "%d.png" % rid))
    for rid, img in sorted(compact.items()):
        save(img, os.path.join(OUT_COMPACT, "%d.png" % rid))

    check(OUT, EXPECTED)
    check(OUT_COMPACT, EXPECTED_COMPACT)
    print("wrote %d pictures to %s" % (len(pics) + len(compact), OUT))


if __name__ == "__main__":
    sys.exit(main())
