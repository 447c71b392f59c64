#!/usr/bin/env python3
"""Draws the program's images as SVG and renders them to PNG.

A maintainer step, not part of the build: the PNGs are committed. Needs
rsvg-convert (Debian: librsvg2-bin), ImageMagick's convert (imagemagick) and
the DejaVu fonts (fonts-dejavu-core) for the wordmark; `scripts/deps.sh --icons`
installs them. Run from anywhere:

    python3 resources/icons/make_icons.py [--svg-dir DIR]

--svg-dir also writes each SVG source, for editing or review.

It also draws the application icon for the desktop's hicolor theme into
packaging/icons/: the logo as a scalable SVG and as PNGs up to 256 pixels.
"""

import argparse
import pathlib
import subprocess
import sys
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent

# One palette for the whole set, matched to the style sheet: dark slate for
# the header strip, gold for hover, the tree's greys, green and red verdicts.
SLATE_TOP = "#3c4f59"
SLATE_MID = "#26343c"
SLATE_BOTTOM = "#1a242a"
GOLD = "#e7b70e"
GOLD_LIGHT = "#f7d554"
GOLD_DARK = "#b58d05"
LIGHT = "#f6f6f6"
GREEN_LIGHT = "#9ad65a"
GREEN = "#6fb02d"
GREEN_DARK = "#4a8a1c"
RED_LIGHT = "#ff7373"
RED = "#ff4d4d"
RED_DARK = "#c92f2f"

SHIELD = "M16 2.2 L27.2 6.4 V14.6 C27.2 21.8 22.6 26.9 16 29.8 C9.4 26.9 4.8 21.8 4.8 14.6 V6.4 Z"


def svg(width, height, body, defs=""):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">'
        f"<defs>{defs}</defs>{body}</svg>"
    )


def vertical_gradient(gid, stops):
    parts = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
    return f'<linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">{parts}</linearGradient>'


# --- header strip -----------------------------------------------------------

def header_background():
    # Repeated across the strip's width, so only the vertical course matters;
    # the 1-pixel lines give the strip a lit top edge and a crisp bottom edge.
    defs = vertical_gradient("bg", [(0, SLATE_TOP), (0.55, SLATE_MID), (1, SLATE_BOTTOM)])
    body = (
        '<rect width="1" height="120" fill="url(#bg)"/>'
        '<rect width="1" height="1" fill="#566b76"/>'
        '<rect y="119" width="1" height="1" fill="#11181c"/>'
    )
    return svg(1, 120, body, defs)


def lens(cx, cy, r):
    """A camera lens: the program checks surveillance recordings."""
    return (
        f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{LIGHT}"/>'
        f'<circle cx="{cx}" cy="{cy}" r="{r * 0.62:.2f}" fill="{SLATE_MID}"/>'
        f'<circle cx="{cx}" cy="{cy}" r="{r * 0.34:.2f}" fill="#3f6f86"/>'
        f'<circle cx="{cx - r * 0.2:.2f}" cy="{cy - r * 0.22:.2f}" r="{r * 0.14:.2f}" '
        f'fill="#ffffff"/>'
    )


def gold_shield(transform):
    defs = vertical_gradient("gold", [(0, GOLD_LIGHT), (0.6, GOLD), (1, GOLD_DARK)])
    body = (
        f'<g transform="{transform}">'
        f'<path d="{SHIELD}" fill="url(#gold)" stroke="{GOLD_DARK}" stroke-width="0.8" '
        'stroke-linejoin="round"/>'
        f"{lens(16, 15.2, 6.6)}"
        "</g>"
    )
    return defs, body


def brand_logo():
    defs, mark = gold_shield("translate(1 0.5) scale(0.97)")
    word = (
        f'<text x="38" y="24.5" font-family="DejaVu Sans" font-weight="bold" font-size="23" '
        f'letter-spacing="0.6" fill="{LIGHT}">Telvar</text>'
    )
    return svg(152, 32, mark + word, defs)


def app_logo():
    defs = vertical_gradient("tile", [(0, SLATE_TOP), (1, SLATE_BOTTOM)])
    shield_defs, shield = gold_shield("translate(11.5 9.5) scale(1.66)")
    body = (
        '<rect x="1" y="1" width="74" height="74" rx="16" fill="url(#tile)" '
        'stroke="#11181c" stroke-width="1"/>'
        '<rect x="2" y="2" width="72" height="36" rx="15" fill="#ffffff" opacity="0.05"/>'
        f"{shield}"
        # A verified badge in the corner ties the logo to the verdict icons.
        f'<circle cx="57" cy="57" r="10.5" fill="{GREEN}" stroke="#ffffff" stroke-width="2"/>'
        '<path d="M52.2 57.2 L55.8 60.6 L62 53.8" fill="none" stroke="#ffffff" '
        'stroke-width="2.8" stroke-linecap="round" stroke-linejoin="round"/>'
    )
    return svg(76, 76, body, defs + shield_defs)


# --- tool buttons -----------------------------------------------------------

GLYPHS = {
    "add": '<path d="M19 11.5 V26.5 M11.5 19 H26.5" fill="none" stroke-width="2.6" '
    'stroke-linecap="round"/>',
    "delete": (
        '<path d="M11.8 13.2 H26.2 M16.4 13 V10.8 H21.6 V13" fill="none" stroke-width="2" '
        'stroke-linecap="round" stroke-linejoin="round"/>'
        '<path d="M13.6 15.8 L14.7 26.6 Q14.8 27.8 16 27.8 H22 Q23.2 27.8 23.3 26.6 L24.4 15.8" '
        'fill="none" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>'
        '<path d="M17.3 18.4 V24.8 M20.7 18.4 V24.8" fill="none" stroke-width="1.7" '
        'stroke-linecap="round"/>'
    ),
    "folder": (
        '<path d="M10.6 14 V25.6 Q10.6 26.8 11.8 26.8 H26.2 Q27.4 26.8 27.4 25.6 V16.6 '
        'Q27.4 15.4 26.2 15.4 H19.2 L17.4 13 H11.8 Q10.6 13 10.6 14 Z" fill="none" '
        'stroke-width="1.9" stroke-linejoin="round"/>'
        '<path d="M19 18.2 V24.2 M16 21.2 H22" fill="none" stroke-width="1.8" '
        'stroke-linecap="round"/>'
    ),
    "export": (
        '<path d="M15 15.4 H13 Q11.8 15.4 11.8 16.6 V26.2 Q11.8 27.4 13 27.4 H25 '
        'Q26.2 27.4 26.2 26.2 V16.6 Q26.2 15.4 25 15.4 H23" fill="none" stroke-width="1.9" '
        'stroke-linecap="round" stroke-linejoin="round"/>'
        '<path d="M19 22.4 V10.4 M15.6 13.6 L19 10.2 L22.4 13.6" fill="none" '
        'stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>'
    ),
    "case": (
        '<path d="M16 13.6 V12 Q16 10.8 17.2 10.8 H20.8 Q22 10.8 22 12 V13.6" fill="none" '
        'stroke-width="1.8" stroke-linejoin="round"/>'
        '<rect x="10.8" y="13.6" width="16.4" height="12.6" rx="1.6" fill="none" '
        'stroke-width="1.9"/>'
        '<path d="M10.8 19 H27.2 M19 17.6 V20.4" fill="none" stroke-width="1.7" '
        'stroke-linecap="round"/>'
    ),
    "about": (
        '<circle cx="19" cy="12.6" r="1.9" stroke="none"/>'
        '<path d="M19 17.2 V26.4 M16.6 17.2 H19 M16.6 26.4 H21.4" fill="none" '
        'stroke-width="2.4" stroke-linecap="round"/>'
    ),
}


def tool_icon(glyph, hovered):
    # Normal: a light outline on the dark strip. Hovered: a solid disc whose
    # glyph takes the strip's slate, readable on the gold hover background.
    if hovered:
        ring = f'<circle cx="19" cy="19" r="17.2" fill="#ffffff"/>'
        colour = SLATE_MID
    else:
        ring = f'<circle cx="19" cy="19" r="16.4" fill="none" stroke="{LIGHT}" stroke-width="1.8"/>'
        colour = LIGHT
    body = f'{ring}<g fill="{colour}" stroke="{colour}">{GLYPHS[glyph]}</g>'
    return svg(38, 38, body)


# --- verdicts and warning ---------------------------------------------------

def verdict(light, mid, dark, mark):
    defs = vertical_gradient("v", [(0, light), (1, mid)])
    body = (
        f'<path d="{SHIELD}" fill="url(#v)" stroke="{dark}" stroke-width="1" '
        'stroke-linejoin="round"/>'
        f'<g fill="none" stroke="#ffffff" stroke-width="3" stroke-linecap="round" '
        f'stroke-linejoin="round">{mark}</g>'
    )
    return svg(32, 32, body, defs)


def success_icon():
    return verdict(GREEN_LIGHT, GREEN, GREEN_DARK, '<path d="M10.4 15.6 L14.4 19.6 L21.8 11.6"/>')


def failed_icon():
    return verdict(RED_LIGHT, RED, RED_DARK, '<path d="M11.6 10.8 L20.4 19.6 M20.4 10.8 L11.6 19.6"/>')


def warning_icon():
    defs = vertical_gradient("w", [(0, GOLD_LIGHT), (1, GOLD)])
    body = (
        '<path d="M16 3.2 C17 3.2 17.7 3.7 18.2 4.6 L29.6 25.4 C30.5 27.1 29.4 29 27.5 29 '
        'H4.5 C2.6 29 1.5 27.1 2.4 25.4 L13.8 4.6 C14.3 3.7 15 3.2 16 3.2 Z" '
        f'fill="url(#w)" stroke="{GOLD_DARK}" stroke-width="1" stroke-linejoin="round"/>'
        f'<path d="M16 11 V19.4" stroke="{SLATE_MID}" stroke-width="3" stroke-linecap="round"/>'
        f'<circle cx="16" cy="24.2" r="1.8" fill="{SLATE_MID}"/>'
    )
    return svg(32, 32, body, defs)


IMAGES = {
    "bg": (header_background, 1, 120),
    "telvar_logo": (brand_logo, 152, 32),
    "add0": (lambda: tool_icon("add", False), 38, 38),
    "add1": (lambda: tool_icon("add", True), 38, 38),
    "delete0": (lambda: tool_icon("delete", False), 38, 38),
    "delete1": (lambda: tool_icon("delete", True), 38, 38),
    "folder0": (lambda: tool_icon("folder", False), 38, 38),
    "folder1": (lambda: tool_icon("folder", True), 38, 38),
    "case0": (lambda: tool_icon("case", False), 38, 38),
    "case1": (lambda: tool_icon("case", True), 38, 38),
    "export0": (lambda: tool_icon("export", False), 38, 38),
    "export1": (lambda: tool_icon("export", True), 38, 38),
    "about0": (lambda: tool_icon("about", False), 38, 38),
    "about1": (lambda: tool_icon("about", True), 38, 38),
    "success": (success_icon, 32, 32),
    "failed": (failed_icon, 32, 32),
    "app_logo": (app_logo, 76, 76),
    "warning": (warning_icon, 32, 32),
}


# The desktop's icon: the application logo under the program's desktop id.
APP_ICON_NAME = "example.telvar.Authenticator"
APP_ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
HICOLOR = HERE.parent.parent / "packaging" / "icons" / "hicolor"


def png_header(path):
    """Width, height, bit depth, colour type and interlace method of a PNG."""
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError(f"{path}: not a PNG")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    if zlib.crc32(data[12:29]) != struct.unpack(">I", data[29:33])[0]:
        raise ValueError(f"{path}: bad IHDR checksum")
    return width, height, depth, colour, interlace


def render_png(source, width, height, target):
    rendered = subprocess.run(
        ["rsvg-convert", "--width", str(width), "--height", str(height), "--format", "png"],
        input=source.encode(), check=True, stdout=subprocess.PIPE).stdout
    # rsvg-convert drops the alpha channel of opaque images; PNG32 keeps
    # RGBA for every image, and -strip leaves no time stamps behind.
    subprocess.run(["convert", "png:-", "-strip", f"PNG32:{target}"],
                   input=rendered, check=True)
    # The program expects 8-bit RGBA, non-interlaced (PNG colour type 6).
    header = png_header(target)
    if header != (width, height, 8, 6, 0):
        sys.exit(f"{target}: unexpected PNG header {header}")


def write_app_icons():
    source = app_logo()
    scalable = HICOLOR / "scalable" / "apps" / f"{APP_ICON_NAME}.svg"
    scalable.parent.mkdir(parents=True, exist_ok=True)
    scalable.write_text(source + "\n")
    for size in APP_ICON_SIZES:
        target = HICOLOR / f"{size}x{size}" / "apps" / f"{APP_ICON_NAME}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        render_png(source, size, size, target)
    print(f"{APP_ICON_NAME}: scalable and {len(APP_ICON_SIZES)} sizes in {HICOLOR}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--svg-dir", type=pathlib.Path)
    args = parser.parse_args()

    for name, (draw, width, height) in IMAGES.items():
        source = draw()
        if args.svg_dir:
            args.svg_dir.mkdir(parents=True, exist_ok=True)
            (args.svg_dir / f"{name}.svg").write_text(source)
        target = HERE / f"{name}.png"
        render_png(source, width, height, target)
        print(f"{target.name}: {width}x{height} RGBA")
    write_app_icons()


if __name__ == "__main__":
    main()
