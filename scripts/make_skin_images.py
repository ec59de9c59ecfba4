#!/usr/bin/env python3
"""Paints the skin's pictures into resources/themes/default/, and the
program's icon (the skin's emblem) into app/tarnwell.ico.

The PNGs and the icon are committed; run this only to change them. It needs Pillow and
NumPy (Debian: python3-pil python3-numpy). The output is the same on every
run: all randomness comes from fixed seeds.

    /usr/bin/python3 scripts/make_skin_images.py
"""

import io
import math
import os
import struct
import sys

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
THEME = os.path.join(ROOT, "resources", "themes", "default")

SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

W, H = 960, 600
HORIZON = 392  # the lake's far shore
SUN_X, SUN_Y = 420.0, 322.0  # low, behind the castle


def save(image, *parts):
    path = os.path.join(THEME, *parts)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    image.save(path, optimize=True)
    print(os.path.relpath(path, ROOT), image.size)


def lerp(a, b, t):
    return a + (b - a) * t


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def rgb(hex_colour):
    hex_colour = hex_colour.lstrip("#")
    return np.array([int(hex_colour[i:i + 2], 16) for i in (0, 2, 4)], dtype=np.float64) / 255.0


def value_noise(rng, w, h, octaves, base_cells, persistence=0.5):
    """Fractal noise in [0, 1] from bicubically enlarged random grids."""
    total = np.zeros((h, w))
    amplitude, norm = 1.0, 0.0
    cells = base_cells
    for _ in range(octaves):
        gw, gh = max(2, int(cells)), max(2, int(cells * h / w))
        grid = rng.random((gh, gw)).astype(np.float32)
        layer = Image.fromarray(grid, mode="F").resize((w, h), Image.BICUBIC)
        total += np.asarray(layer) * amplitude
        norm += amplitude
        amplitude *= persistence
        cells *= 2
    return np.clip(total / norm, 0, 1)


def ridge(rng, w, octaves, base_cells, persistence=0.55):
    """A 1-D fractal profile in [0, 1] (mountain ridges, tree lines)."""
    total = np.zeros(w)
    amplitude, norm, cells = 1.0, 0.0, base_cells
    xs = np.linspace(0, 1, w)
    for _ in range(octaves):
        points = rng.random(int(cells) + 4)
        grid_x = np.linspace(0, 1, len(points))
        layer = np.interp(xs, grid_x, points)
        total += layer * amplitude
        norm += amplitude
        amplitude *= persistence
        cells *= 2.1
    return total / norm


def blur(array, sigma):
    """Separable Gaussian blur of a 2-D float array."""
    radius = max(1, int(sigma * 3))
    xs = np.arange(-radius, radius + 1)
    kernel = np.exp(-(xs / sigma) ** 2 / 2)
    kernel /= kernel.sum()
    padded = np.pad(array, radius, mode="edge")
    rows = np.apply_along_axis(lambda r: np.convolve(r, kernel, mode="valid"), 1, padded)
    return np.apply_along_axis(lambda c: np.convolve(c, kernel, mode="valid"), 0, rows)


def to_image(array):
    return Image.fromarray((np.clip(array, 0, 1) * 255 + 0.5).astype(np.uint8))


def paint_sky(rng):
    ys = np.linspace(0, 1, HORIZON)[:, None]
    top, mid, low = rgb("#141a3f"), rgb("#5b3f78"), rgb("#f2a25c")
    t = ys ** 1.35
    sky = np.where(t[..., None] < 0.55,
                   lerp(top, mid, (t[..., None] / 0.55)),
                   lerp(mid, low, ((t[..., None] - 0.55) / 0.45)))
    sky = np.broadcast_to(sky, (HORIZON, W, 3)).copy()

    # The low sun behind the castle's hill, and its wide glow.
    sx, sy = SUN_X, SUN_Y
    yy, xx = np.mgrid[0:HORIZON, 0:W]
    dist = np.hypot(xx - sx, (yy - sy) * 1.25)
    glow = np.exp(-dist / 170.0)[..., None]
    sky = sky + glow * rgb("#ffcf8a") * 0.55
    core = np.exp(-(dist / 26.0) ** 2)[..., None]
    sky = sky * (1 - core) + rgb("#fff3d6") * core

    # Clouds lit from below: brighter near the sun, darker up high.
    clouds = value_noise(rng, W, HORIZON, 5, 5)
    band = smoothstep(0.12, 0.45, ys) * (1 - smoothstep(0.78, 0.98, ys))
    density = smoothstep(0.5, 0.8, clouds) * band
    lit = lerp(rgb("#3c2f5c"), rgb("#ffb27a"), np.clip(glow * 1.8 + ys[..., None] * 0.35, 0, 1))
    sky = sky * (1 - density[..., None] * 0.85) + lit * density[..., None] * 0.85

    # Stars only where the sky is still dark.
    stars = np.zeros((HORIZON, W))
    count = 260
    sxs, sys_ = rng.integers(0, W, count), rng.integers(0, int(HORIZON * 0.45), count)
    stars[sys_, sxs] = rng.random(count) * 0.9
    stars = blur(stars, 0.6) * 2.4
    darkness = 1 - smoothstep(0.05, 0.5, ys)
    sky = sky + (stars * darkness * (1 - density))[..., None] * rgb("#e8eaff")

    # Sun rays: soft wedges radiating from the sun.
    angle = np.arctan2(yy - sy, xx - sx)
    rays = (0.5 + 0.5 * np.sin(angle * 23.0 + 1.3)) * (0.5 + 0.5 * np.sin(angle * 7.0))
    rays = rays * np.exp(-dist / 380.0) * smoothstep(0.0, 0.9, ys)
    sky = sky + rays[..., None] * rgb("#ffd9a0") * 0.13
    return sky


def layer_mask(profile_y, w, h):
    ys = np.arange(h)[:, None]
    # One pixel of soft edge against the sky.
    return np.clip(ys - profile_y[None, :] + 0.5, 0, 1)


def paint_mountains(rng, scene):
    h = HORIZON
    xs = np.arange(W)
    layers = [
        # base line, height, cells, colour, haze
        (300, 150, 3, "#6c5a8e", 0.62),
        (330, 120, 4, "#4b3f6e", 0.42),
        (356, 90, 6, "#2f2a4d", 0.22),
    ]
    haze_colour = rgb("#e7a27a")
    for index, (base, height, cells, colour, haze) in enumerate(layers):
        profile = ridge(rng, W, 7, cells)
        if index == 0:
            # One tall peak to the right, behind where the login page sits.
            profile = profile + 0.9 * np.exp(-((xs - 720) / 120.0) ** 2) + 0.5 * np.exp(-((xs - 120) / 90.0) ** 2)
        peak_y = base - (profile - profile.min()) / (np.ptp(profile) + 1e-9) * height
        mask = layer_mask(peak_y, W, h)
        yy = np.arange(h)[:, None]
        # Slopes facing the sun catch light; the rest falls into shade.
        smooth = blur(np.tile(peak_y, (3, 1)), 5.0)[1]
        slope = np.gradient(smooth)[None, :]
        depth = np.clip((yy - peak_y[None, :]) / 120.0, 0, 1)
        light = np.clip(0.5 - slope * 0.45 * np.sign(xs - SUN_X)[None, :], 0, 1)
        light = lerp(light, 0.5, depth)
        body = rgb(colour) * (0.85 + 0.35 * light[..., None]) * (1 - 0.25 * depth[..., None])
        if index == 0:
            snow = (yy - peak_y[None, :] < 22 + 10 * np.sin(xs / 9.0)[None, :]) & (peak_y[None, :] < base - height * 0.55)
            body = np.where(snow[..., None], lerp(body, rgb("#f6d8c8"), 0.55 * light[..., None] + 0.2), body)
        body = lerp(body, haze_colour, haze)
        texture = value_noise(rng, W, h, 4, 24)[..., None]
        body = body * (0.94 + 0.12 * texture)
        scene[:h] = scene[:h] * (1 - mask[..., None]) + body * mask[..., None]
        # Mist settles in front of each range.
        mist = np.exp(-((yy - base) / 18.0) ** 2) * 0.35
        scene[:h] = lerp(scene[:h], haze_colour * 0.9 + 0.1, mist[..., None])


def castle_polygons():
    """The keep on the hill by the lake: walls, towers and spires."""
    polys = []
    x0, ground = 352, 338
    # Hill the castle stands on.
    hill = [(262, HORIZON), (292, 372), (330, 352), (370, 340), (440, 336), (488, 346), (526, 364), (566, HORIZON)]
    polys.append(hill)
    polys.append([(x0, ground), (x0, 306), (x0 + 130, 306), (x0 + 130, ground)])  # curtain wall
    for i in range(8):  # battlements
        bx = x0 + i * 17
        polys.append([(bx, 306), (bx, 300), (bx + 9, 300), (bx + 9, 306)])
    towers = [(x0 - 10, 258, 20), (x0 + 34, 232, 24), (x0 + 82, 214, 26), (x0 + 122, 250, 20), (x0 + 58, 268, 16)]
    for tx, top, width in towers:
        spire = top - width * 1.6
        polys.append([(tx, ground), (tx, top), (tx + width, top), (tx + width, ground)])
        polys.append([(tx - 4, top), (tx + width / 2, spire), (tx + width + 4, top)])
        polys.append([(tx + width / 2 - 1, spire), (tx + width / 2 - 1, spire - 12),
                      (tx + width / 2 + 1, spire - 12), (tx + width / 2 + 1, spire)])
    return polys, towers


def paint_castle(scene):
    silhouette = Image.new("L", (W, HORIZON), 0)
    draw = ImageDraw.Draw(silhouette)
    polys, towers = castle_polygons()
    for poly in polys:
        draw.polygon(poly, fill=255)
    mask = np.asarray(silhouette.filter(ImageFilter.GaussianBlur(0.5))) / 255.0
    yy = np.arange(HORIZON)[:, None]
    body = lerp(rgb("#241c36"), rgb("#3a2c48"), np.clip((yy - 150) / 250.0, 0, 1))[..., None, :]
    body = np.broadcast_to(body, (HORIZON, W, 3))
    scene[:HORIZON] = scene[:HORIZON] * (1 - mask[..., None]) + body * mask[..., None]
    # Rim light from the sun behind.
    rim = np.asarray(silhouette.filter(ImageFilter.FIND_EDGES).filter(ImageFilter.GaussianBlur(0.8))) / 255.0
    scene[:HORIZON] += rim[..., None] * rgb("#ffb070") * 0.5

    # Lit windows.
    windows = Image.new("L", (W, HORIZON), 0)
    wd = ImageDraw.Draw(windows)
    rng = np.random.default_rng(7)
    for tx, top, width in towers:
        for row in range(top + 9, 324, 15):
            if rng.random() < 0.55:
                cx = tx + width / 2 + rng.integers(-4, 5)
                wd.rectangle([cx - 1.5, row, cx + 1.5, row + 5], fill=255)
    wmask = np.asarray(windows) / 255.0
    wglow = np.asarray(windows.filter(ImageFilter.GaussianBlur(4))) / 255.0
    scene[:HORIZON] = scene[:HORIZON] + wglow[..., None] * rgb("#ffb347") * 1.4 + wmask[..., None] * rgb("#ffe2a0")


def reflect(scene, rng):
    """The lake mirrors what stands above it, broken by ripples."""
    depth = H - HORIZON
    rows = np.arange(depth)
    ripple = value_noise(rng, W, depth, 3, 60)
    yy = rows[:, None]
    stretch = 1.0 + yy / depth * 0.6
    src_y = HORIZON - 1 - (yy / stretch + (ripple - 0.5) * (2 + yy * 0.12))
    src_y = np.clip(src_y, 0, HORIZON - 1).astype(int)
    src_x = np.clip(np.arange(W)[None, :] + ((ripple - 0.5) * yy * 0.08).astype(int), 0, W - 1)
    water = scene[src_y, src_x]
    tint = lerp(rgb("#3a3460"), rgb("#12152c"), np.clip(yy / depth, 0, 1)[..., None])
    water = water * 0.58 + tint * 0.42
    # Glints on the ripples under the sun.
    # Glints: short horizontal dashes of light on the path below the sun.
    dashes = rng.random((depth // 2 + 1, W // 6)).astype(np.float32)
    dashes = np.asarray(Image.fromarray(dashes, mode="F").resize((W, depth), Image.BILINEAR))
    sparkle = smoothstep(0.86, 0.97, dashes)
    near_sun = np.exp(-((np.arange(W)[None, :] - SUN_X) / (24 + yy * 0.6)) ** 2)
    water += (sparkle * near_sun * np.exp(-yy / 110.0))[..., None] * rgb("#ffd8a0") * 0.7
    # Horizontal streaks.
    streak = (np.sin(yy * 1.7 + ripple * 20) * 0.5 + 0.5) * 0.06
    water *= (1 - streak)[..., None]
    scene[HORIZON:] = water
    # A line of mist where the far shore meets the water.
    mist = np.exp(-((np.arange(H)[:, None] - HORIZON) / 7.0) ** 2)
    scene[:] = lerp(scene, rgb("#f0b48c"), mist[..., None] * 0.35)


def pine(draw, x, base, height, fill):
    width = height * 0.38
    tiers = 5
    for i in range(tiers):
        t0 = i / tiers
        top = base - height * (0.18 + 0.82 * (i + 1) / tiers)
        bottom = base - height * (0.1 + 0.82 * t0)
        half = width * (1 - t0 * 0.75) / 2
        draw.polygon([(x - half, bottom), (x, top - height * 0.06), (x + half, bottom)], fill=fill)
    draw.rectangle([x - height * 0.02, base - height * 0.12, x + height * 0.02, base], fill=fill)


def paint_foreground(scene, rng):
    fg = Image.new("L", (W, H), 0)
    draw = ImageDraw.Draw(fg)
    # Left shore and cliff, dark against the lake.
    shore = [(0, 430), (60, 445), (140, 470), (230, 505), (300, 540), (380, 575), (430, H), (0, H)]
    draw.polygon(shore, fill=255)
    for i in range(26):
        x = rng.uniform(-20, 260)
        base = 440 + (x + 20) * 0.45 + rng.uniform(-8, 20)
        pine(draw, x, base, rng.uniform(110, 230), 255)
    # Right shore: a low bank of trees under where the login page sits.
    bank = [(500, H), (600, 560), (760, 536), (900, 528), (W, 522), (W, H)]
    draw.polygon(bank, fill=255)
    for i in range(34):
        x = rng.uniform(560, W + 20)
        base = 548 - (x - 560) * 0.05 + rng.uniform(-4, 12)
        pine(draw, x, base, rng.uniform(50, 120), 255)
    mask = np.asarray(fg.filter(ImageFilter.GaussianBlur(0.7))) / 255.0
    yy = np.arange(H)[:, None]
    body = lerp(rgb("#1a1628"), rgb("#0a0910"), np.clip((yy - 380) / 220.0, 0, 1))[..., None, :]
    body = np.broadcast_to(body, (H, W, 3))
    scene[:] = scene * (1 - mask[..., None]) + body * mask[..., None]
    # Warm edge light on the trees facing the sun.
    edge = np.asarray(fg.filter(ImageFilter.FIND_EDGES).filter(ImageFilter.GaussianBlur(1.0))) / 255.0
    xx = np.arange(W)[None, :]
    toward_sun = np.exp(-np.abs(xx - SUN_X) / 380.0)
    scene[:] += (edge * toward_sun)[..., None] * rgb("#ff9a5a") * 0.35


def fireflies(scene, rng):
    glow = Image.new("L", (W, H), 0)
    draw = ImageDraw.Draw(glow)
    for _ in range(40):
        x, y = rng.uniform(20, 520), rng.uniform(420, 590)
        r = rng.uniform(0.8, 1.8)
        draw.ellipse([x - r, y - r, x + r, y + r], fill=int(rng.uniform(128, 255)))
    soft = (np.asarray(glow.filter(ImageFilter.GaussianBlur(2.5))) * 2.5 + np.asarray(glow)) / 255.0
    scene[:] += soft[..., None] * rgb("#ffd27a") * 0.6


def vignette(scene):
    yy, xx = np.mgrid[0:H, 0:W]
    d = np.hypot((xx - W * 0.42) / (W * 0.75), (yy - H * 0.45) / (H * 0.8))
    scene[:] *= (1 - smoothstep(0.55, 1.15, d) * 0.55)[..., None]
    # Darker top band so the caption buttons read on the sky.
    scene[:] *= (1 - 0.35 * np.exp(-yy / 40.0))[..., None]


def gradient_text(size, text, font, top, bottom, stroke, stroke_colour, glow_colour, glow_radius, tracking=0):
    """Text filled with a vertical gradient, outlined and glowing."""
    pad = glow_radius * 3 + stroke + 4
    widths = [font.getbbox(ch)[2] for ch in text]
    total_w = sum(widths) + tracking * (len(text) - 1)
    bbox = font.getbbox(text)
    h = bbox[3] + pad * 2
    w = total_w + pad * 2
    fill_mask = Image.new("L", (w, h), 0)
    stroke_mask = Image.new("L", (w, h), 0)
    fd, sd = ImageDraw.Draw(fill_mask), ImageDraw.Draw(stroke_mask)
    x = pad
    for ch, cw in zip(text, widths):
        fd.text((x, pad), ch, font=font, fill=255)
        sd.text((x, pad), ch, font=font, fill=255, stroke_width=stroke, stroke_fill=255)
        x += cw + tracking
    ys = np.linspace(0, 1, h)[:, None, None]
    grad = lerp(rgb(top), rgb(bottom), smoothstep(0.25, 0.8, ys))
    # A bright band across the letters, like polished metal.
    grad = grad + np.exp(-((ys - 0.47) / 0.05) ** 2) * 0.25
    grad = np.broadcast_to(grad, (h, w, 3))
    out = np.zeros((h, w, 4))
    glow = np.asarray(stroke_mask.filter(ImageFilter.GaussianBlur(glow_radius))) / 255.0
    out[..., :3] = rgb(glow_colour)
    out[..., 3] = glow * 0.85
    s = np.asarray(stroke_mask) / 255.0
    out[..., :3] = out[..., :3] * (1 - s[..., None]) + rgb(stroke_colour) * s[..., None]
    out[..., 3] = np.maximum(out[..., 3], s)
    f = np.asarray(fill_mask) / 255.0
    out[..., :3] = out[..., :3] * (1 - f[..., None]) + grad * f[..., None]
    out[..., 3] = np.maximum(out[..., 3], f)
    return out


def blend(scene, overlay, x, y):
    h, w = overlay.shape[:2]
    region = scene[y:y + h, x:x + w]
    a = overlay[..., 3:4]
    region[:] = region * (1 - a) + overlay[..., :3] * a


def paint_title(scene):
    title_font = ImageFont.truetype(SERIF_BOLD, 64)
    title = gradient_text(0, "TARNWELL", title_font, "#fff1c4", "#c8862c", 3, "#3a220c", "#1a0d20", 7, tracking=5)
    blend(scene, title, 24, 20)
    sub_font = ImageFont.truetype(CJK, 26)
    sub = gradient_text(0, "山湖秘境", sub_font, "#fbe7c0", "#e0b066", 2, "#2a1a10", "#120a18", 5, tracking=16)
    blend(scene, sub, 56, 110)
    # A thin ornament between the two lines.
    y = 118
    for x in range(46, 300):
        t = abs((x - 173) / 127.0)
        a = max(0.0, 1 - t) ** 1.5 * 0.8
        scene[y, x] = lerp(scene[y, x], rgb("#f3cf8a"), a)
    tag_font = ImageFont.truetype(CJK, 15)
    tag = gradient_text(0, "湖光深处，古堡长明", tag_font, "#f3e6d2", "#d9c2a0", 1, "#1a1020", "#000000", 3, tracking=4)
    blend(scene, tag, 58, 150)


def start_picture():
    rng = np.random.default_rng(20240611)
    scene = np.zeros((H, W, 3))
    scene[:HORIZON] = paint_sky(rng)
    paint_mountains(rng, scene)
    paint_castle(scene)
    reflect(scene, rng)
    paint_foreground(scene, rng)
    fireflies(scene, rng)
    vignette(scene)
    paint_title(scene)
    # Film grain keeps the gradients from banding on 24-bit screens.
    grain = np.random.default_rng(5).normal(0, 0.008, scene.shape)
    return to_image(scene + grain)


def rounded_alpha(size, inset, radius):
    """Distance from a rounded rectangle inset into a square of |size|."""
    w, h = size
    yy, xx = np.mgrid[0:h, 0:w] + 0.5
    cx = np.clip(xx, inset + radius, w - inset - radius)
    cy = np.clip(yy, inset + radius, h - inset - radius)
    return np.hypot(xx - cx, yy - cy) - radius


def shadow_image():
    # Corner 30 in the skin; the window shows the outer 14 pixels of it.
    size, band = 64, 14
    d = rounded_alpha((size, size), band, 4)
    alpha = np.where(d <= 0, 1.0, np.clip(1 - d / band, 0, 1) ** 2.2) * 0.42
    out = np.zeros((size, size, 4))
    out[..., 3] = alpha
    return Image.fromarray((out * 255 + 0.5).astype(np.uint8), "RGBA")


def supersampled(size, paint, scale=4):
    big = Image.new("RGBA", (size[0] * scale, size[1] * scale), (0, 0, 0, 0))
    paint(ImageDraw.Draw(big), scale)
    return big.resize(size, Image.LANCZOS)


def caption_button(kind, state, size=(36, 30)):
    w, h = size
    backgrounds = {
        "close": {"normal": None, "hot": (224, 67, 67, 235), "pushed": (176, 42, 42, 245)},
        "other": {"normal": None, "hot": (255, 255, 255, 46), "pushed": (255, 255, 255, 28)},
    }
    bg = backgrounds["close" if kind == "close" else "other"][state]
    glyph = (255, 255, 255, 235 if state == "normal" else 255)

    def paint(draw, s):
        if bg:
            draw.rounded_rectangle([1 * s, 1 * s, (w - 1) * s, (h - 1) * s], radius=4 * s, fill=bg)
        cx, cy = w * s / 2, h * s / 2
        r = 5.5 * s
        lw = int(1.6 * s)
        if kind == "close":
            draw.line([cx - r, cy - r, cx + r, cy + r], fill=glyph, width=lw)
            draw.line([cx - r, cy + r, cx + r, cy - r], fill=glyph, width=lw)
        elif kind == "min":
            draw.line([cx - r, cy + 0.5 * s, cx + r, cy + 0.5 * s], fill=glyph, width=lw)
        elif kind == "max":
            draw.rectangle([cx - r, cy - r, cx + r, cy + r], outline=glyph, width=lw)
        elif kind == "restore":
            o = 2.5 * s
            draw.rectangle([cx - r + o, cy - r, cx + r, cy + r - o], outline=glyph, width=lw)
            draw.rectangle([cx - r, cy - r + o, cx + r - o, cy + r], fill=(0, 0, 0, 0), outline=glyph, width=lw)
        elif kind == "refresh":
            # Most of a circle, its open end carrying an arrow head.
            draw.arc([cx - r, cy - r, cx + r, cy + r], start=-50, end=250, fill=glyph, width=lw)
            tip = (cx + r * math.cos(math.radians(-50)), cy + r * math.sin(math.radians(-50)))
            head = 3.2 * s
            draw.polygon([(tip[0] + head * 0.9, tip[1] - head * 0.2), (tip[0] - head * 0.7, tip[1] - head * 0.9),
                          (tip[0] - head * 0.1, tip[1] + head * 0.9)], fill=glyph)

    image = supersampled(size, paint)
    if state == "normal":
        # A faint dark halo keeps the glyph readable on a bright picture.
        halo = image.split()[3].filter(ImageFilter.GaussianBlur(1.4))
        shadow = Image.new("RGBA", size, (0, 0, 0, 0))
        shadow.putalpha(halo.point(lambda v: int(v * 0.55)))
        image = Image.alpha_composite(shadow, image)
    return image


def scroll_thumb(horizontal, state):
    """A slim gold pill; the skin stretches its middle along the bar."""
    alpha = {"normal": 110, "hot": 170, "pushed": 210}[state]
    size = (24, 6) if horizontal else (6, 24)

    def paint(draw, s):
        draw.rounded_rectangle([0, 0, size[0] * s - 1, size[1] * s - 1], radius=3 * s, fill=(240, 199, 122, alpha))

    return supersampled(size, paint)


def logo(size, ring=1.0):
    """The emblem: a gold ring round a castle of three spires above a lake.

    |ring| scales the ring's widths, which are in pixels of the skin's small
    sizes; the icon's large sizes widen them with the emblem."""
    def paint(draw, s):
        w = size * s
        gold = (246, 214, 150, 255)
        r = ring * s
        draw.ellipse([1 * r, 1 * r, w - 1 * r, w - 1 * r], fill=(58, 36, 20, 255))
        draw.ellipse([2.2 * r, 2.2 * r, w - 2.2 * r, w - 2.2 * r], fill=(232, 176, 84, 255))
        draw.ellipse([3.6 * r, 3.6 * r, w - 3.6 * r, w - 3.6 * r], fill=(34, 30, 62, 255))
        draw.chord([3.6 * r, 3.6 * r, w - 3.6 * r, w - 3.6 * r], 15, 165, fill=(60, 86, 140, 255))
        ground = w * 0.66
        # Side towers, the wall between them, and the taller keep.
        for left, right, top in ((0.26, 0.38, 0.44), (0.62, 0.74, 0.44), (0.42, 0.58, 0.34)):
            x0, x1, t = w * left, w * right, w * top
            draw.rectangle([x0, t, x1, ground], fill=gold)
            draw.polygon([(x0 - w * 0.02, t), ((x0 + x1) / 2, t - w * 0.17), (x1 + w * 0.02, t)], fill=gold)
        draw.rectangle([w * 0.3, w * 0.52, w * 0.7, ground], fill=gold)
        draw.rectangle([w * 0.47, w * 0.56, w * 0.53, ground], fill=(34, 30, 62, 255))  # the gate
    return supersampled((size, size), paint, 8)


ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)


def icon_entry(image):
    """One image of an icon file: PNG for 256 pixels, a 32-bit DIB with its
    mask below that, which every icon reader takes."""
    size = image.size[0]
    if size >= 256:
        buffer = io.BytesIO()
        image.save(buffer, format="PNG", optimize=True)
        return buffer.getvalue()
    pixels = np.asarray(image.convert("RGBA"), dtype=np.uint8)
    bgra = pixels[::-1, :, [2, 1, 0, 3]].tobytes()  # bottom-up rows
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # the alpha channel decides
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(bgra) + len(mask), 0, 0, 0, 0)
    return header + bgra + mask


def icon_file(images):
    entries = [icon_entry(image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, data in zip(images, entries):
        size = image.size[0]
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


def save_icon():
    images = [logo(size, max(1.0, size / 24.0)) for size in ICON_SIZES]
    path = os.path.join(ROOT, "app", "tarnwell.ico")
    with open(path, "wb") as out:
        out.write(icon_file(images))
    print(os.path.relpath(path, ROOT), ICON_SIZES)


def main():
    save(start_picture(), "cef", "start", "start_bg.png")
    save(shadow_image(), "public", "bk", "bk_shadow.png")
    for kind in ("close", "min", "max", "restore", "refresh"):
        for state in ("normal", "hot", "pushed"):
            save(caption_button(kind, state), "public", "button", "btn_%s_%s.png" % (kind, state))
    for horizontal in (False, True):
        for state in ("normal", "hot", "pushed"):
            save(scroll_thumb(horizontal, state), "public", "scrollbar",
                 "thumb_%s_%s.png" % ("h" if horizontal else "v", state))
    save(logo(24), "public", "logo", "logo_24.png")
    save(logo(48), "public", "logo", "logo_48.png")
    save_icon()
    return 0


if __name__ == "__main__":
    sys.exit(main())
