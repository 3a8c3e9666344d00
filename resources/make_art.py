#!/usr/bin/env python3
"""Generates every SVG picture under resources/ from one set of drawing rules.

The pressed-key, lit-lamp and window-button pictures are cut out of the same
drawing as the faces (same colours, same key geometry), so a picture laid over
the face at its place matches the pixels around it exactly.

Run from anywhere:  python3 resources/make_art.py
Only Qt SVG Tiny features are used (gradients, paths, plain text), and only the
fonts Liberation Sans / Liberation Mono.
"""
from __future__ import annotations

import os

HERE = os.path.dirname(os.path.abspath(__file__))

FACE_W, FACE_H = 577, 414
# Face picture sits 8 px above the window's client area.
Y_SHIFT = 8

SANS = "Liberation Sans"

# Visible outline of the main window (window 10,1 .. 555,393, 30x30 corners),
# in face coordinates.
OUT_X0, OUT_Y0, OUT_X1, OUT_Y1, OUT_R = 10, 9, 555, 401, 15

# Front membrane (dark grey foil) inside the steel frame.  Its colour matches
# the keyboard-lock check box and the I/O strip docked below.
MEMB = "#606060"
MEMB_X0, MEMB_Y0, MEMB_X1, MEMB_Y1, MEMB_R = 20, 37, 546, 389, 7

# Display glass: the digit panels are grey 128, so the glass is the same grey.
GLASS = "#808080"
BEZEL = (28, 52, 298, 204)          # x0, y0, x1, y1
GLASS1 = (34, 58, 292, 129)         # row 1 digits: x 41..269, y 65..122
GLASS2 = (34, 140, 292, 197)        # row 2 digits: x 41..247, y 147..189

# Keypad plate (flat colour inside every key cell).
PLATE = "#4a4b4d"
PLATE_RECT = (309, 52, 542, 285)

# Key cells in window coordinates (left, top, width, height).
KEY_COLS = [(314, 54), (370, 55), (426, 55), (482, 55)]
KEY_ROWS = [(49, 54), (105, 54), (161, 54), (217, 55)]
KEY_GRID = [["1", "2", "3", "print"],
            ["4", "5", "6", "f"],
            ["7", "8", "9", "t"],
            ["c", "0", "e", "setzero"]]

# Lamps, window coordinates, 20 x 20.
LAMPS = {
    "stab": (39, 242), "tare": (99, 242), "zero": (159, 242), "data": (219, 242),
    "doz1": (39, 212), "doz2": (99, 212), "doz3": (159, 212), "doz4": (219, 212),
}
LAMP_CAPTION = {
    "stab": "СТАБ", "tare": "ТАРА", "zero": "НОЛЬ", "data": "ДАННЫЕ",
    "doz1": "ДОЗ 1", "doz2": "ДОЗ 2", "doz3": "ДОЗ 3", "doz4": "ДОЗ 4",
}
# (lens colour lit, glow colour, dark lens colour)
LAMP_COLOUR = {
    "stab": ("#7dff5a", "#b8ff9e", "#1f3a1a"),
    "tare": ("#ffd21f", "#fff0a0", "#3d3414"),
    "zero": ("#7dff5a", "#b8ff9e", "#1f3a1a"),
    "data": ("#ff3b2f", "#ffa49c", "#3e1a18"),
    "doz1": ("#ff9a1f", "#ffd29c", "#3e2a14"),
    "doz2": ("#ff9a1f", "#ffd29c", "#3e2a14"),
    "doz3": ("#ff9a1f", "#ffd29c", "#3e2a14"),
    "doz4": ("#ff9a1f", "#ffd29c", "#3e2a14"),
}

# Window buttons, window coordinates.
CLOSE_BTN = (492, 0, 46, 20)
MIN_BTN = (467, 0, 28, 20)

# Key body colours: (top, bottom) raised; (top, bottom) pressed.
KEY_STYLE = {
    "dark": (("#4a4d53", "#25272b"), ("#1a1c1f", "#2b2d31")),
    "blue": (("#3a7bb8", "#1e4b78"), ("#163a5e", "#21507f")),
    "red": (("#d2402f", "#8a1f15"), ("#661410", "#93271d")),
    "green": (("#3fa64c", "#1f6629"), ("#154a1c", "#2a7533")),
}
LEGEND = "#f5f5f5"
LEGEND_PRESSED = "#cfcfcf"
ACCENT = "#ffc94a"          # second-function captions on digit keys


def key_cell(col: int, row: int) -> tuple[int, int, int, int]:
    """Key cell in face coordinates."""
    x, w = KEY_COLS[col]
    y, h = KEY_ROWS[row]
    return x, y + Y_SHIFT, w, h


def key_look(name: str, doser: bool) -> dict:
    """Style and legend of one key on the chosen face."""
    if name.isdigit():
        look = {"style": "dark", "big": name, "size": 25}
        if doser and name == "0":
            look["sub"] = "ПАУЗА"
            look["subcolour"] = ACCENT
        return look
    plain = {
        "print": {"style": "blue", "icon": "printer", "sub": "ПЕЧАТЬ"},
        "f": {"style": "blue", "big": "F", "size": 21, "sub": "ФУНКЦ"},
        "t": {"style": "blue", "big": "T", "size": 20, "arrows": True, "sub": "ТАРА"},
        "setzero": {"style": "blue", "big": "0", "size": 20, "arrows": True, "sub": "НОЛЬ"},
        "c": {"style": "blue", "big": "C", "size": 21, "sub": "СБРОС"},
        "e": {"style": "blue", "big": "E", "size": 21, "sub": "ВВОД"},
    }
    dosing = {
        "print": {"style": "blue", "big": "Σ", "size": 21, "sub": "ИТОГ"},
        "f": {"style": "blue", "big": "F", "size": 21, "sub": "ДОЗА"},
        "c": {"style": "red", "word": "СТОП", "index": "C"},
        "e": {"style": "green", "word": "ПУСК", "index": "E"},
    }
    if doser and name in dosing:
        return dosing[name]
    return plain[name]


# --------------------------------------------------------------------------- helpers

def svg_doc(w: int, h: int, body: str, view: tuple[int, int, int, int] | None = None) -> str:
    vb = view if view else (0, 0, w, h)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            f'width="{w}" height="{h}" viewBox="{vb[0]} {vb[1]} {vb[2]} {vb[3]}">\n'
            f'{body}</svg>\n')


def lin(gid: str, x1, y1, x2, y2, stops) -> str:
    s = "".join(f'<stop offset="{o}" stop-color="{c}"' +
                (f' stop-opacity="{a}"' if a is not None else "") + "/>"
                for o, c, a in ((st + (None,))[:3] for st in stops))
    return (f'<linearGradient id="{gid}" gradientUnits="userSpaceOnUse" '
            f'x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}">{s}</linearGradient>\n')


def rad(gid: str, cx, cy, r, stops, fx=None, fy=None) -> str:
    s = "".join(f'<stop offset="{o}" stop-color="{c}"' +
                (f' stop-opacity="{a}"' if a is not None else "") + "/>"
                for o, c, a in ((st + (None,))[:3] for st in stops))
    f = f' fx="{fx}" fy="{fy}"' if fx is not None else ""
    return (f'<radialGradient id="{gid}" gradientUnits="userSpaceOnUse" '
            f'cx="{cx}" cy="{cy}" r="{r}"{f}>{s}</radialGradient>\n')


def text(x, y, s, size, colour, weight="bold", anchor="middle", family=SANS, style=None,
         opacity=None) -> str:
    st = f' font-style="{style}"' if style else ""
    op = f' fill-opacity="{opacity}"' if opacity is not None else ""
    return (f'<text x="{x}" y="{y}" font-family="{family}" font-size="{size}" '
            f'font-weight="{weight}"{st} text-anchor="{anchor}" fill="{colour}"{op}>{s}</text>\n')


def rrect_path(x0, y0, x1, y1, r) -> str:
    return (f"M{x0 + r},{y0} H{x1 - r} A{r},{r} 0 0 1 {x1},{y0 + r} V{y1 - r} "
            f"A{r},{r} 0 0 1 {x1 - r},{y1} H{x0 + r} A{r},{r} 0 0 1 {x0},{y1 - r} "
            f"V{y0 + r} A{r},{r} 0 0 1 {x0 + r},{y0} Z")


# --------------------------------------------------------------------------- keys

def draw_key(x: int, y: int, w: int, h: int, look: dict, pressed: bool, gid: str) -> str:
    """One membrane key inside its cell (x, y, w, h); the cell itself is plate colour."""
    (up_top, up_bot), (dn_top, dn_bot) = KEY_STYLE[look["style"]]
    bx0, by0, bx1, by1 = x + 3, y + 3, x + w - 3, y + h - 3
    out = []
    if pressed:
        out.append(lin(gid, 0, by0, 0, by1, [(0, dn_top), (1, dn_bot)]))
        # sunk: a dark rim all round, no drop shadow
        out.append(f'<rect x="{bx0 - 0.5}" y="{by0 - 0.5}" width="{bx1 - bx0 + 1}" '
                   f'height="{by1 - by0 + 1}" rx="6" fill="#000" fill-opacity="0.55"/>\n')
        out.append(f'<rect x="{bx0 + 0.5}" y="{by0 + 0.5}" width="{bx1 - bx0 - 1}" '
                   f'height="{by1 - by0 - 1}" rx="5" fill="url(#{gid})"/>\n')
        # soft inner shadow under the top and left edge of the sunk cap
        out.append(lin(gid + "t", 0, by0 + 0.5, 0, by0 + 9, [(0, "#000", 0.55), (1, "#000", 0)]))
        out.append(lin(gid + "l", bx0 + 0.5, 0, bx0 + 7, 0, [(0, "#000", 0.40), (1, "#000", 0)]))
        out.append(f'<rect x="{bx0 + 0.5}" y="{by0 + 0.5}" width="{bx1 - bx0 - 1}" height="9" '
                   f'rx="5" fill="url(#{gid}t)"/>\n')
        out.append(f'<rect x="{bx0 + 0.5}" y="{by0 + 0.5}" width="7" height="{by1 - by0 - 1}" '
                   f'rx="5" fill="url(#{gid}l)"/>\n')
        # faint light on the lower edge, where the rim meets the plate
        out.append(f'<path d="M{bx0 + 5},{by1 + 0.5} H{bx1 - 5}" stroke="#ffffff" '
                   f'stroke-opacity="0.12" stroke-width="1"/>\n')
        dx, dy, col = 1, 1, LEGEND_PRESSED
    else:
        out.append(lin(gid, 0, by0, 0, by1, [(0, up_top), (1, up_bot)]))
        # drop shadow to the lower right
        out.append(f'<rect x="{bx0 + 0.5}" y="{by0 + 1}" width="{bx1 - bx0 + 0.5}" '
                   f'height="{by1 - by0 + 0.5}" rx="6" fill="#000" fill-opacity="0.45"/>\n')
        out.append(f'<rect x="{bx0 - 0.5}" y="{by0 - 0.5}" width="{bx1 - bx0 + 1}" '
                   f'height="{by1 - by0 + 1}" rx="6" fill="#111" fill-opacity="0.85"/>\n')
        out.append(f'<rect x="{bx0 + 0.5}" y="{by0 + 0.5}" width="{bx1 - bx0 - 1}" '
                   f'height="{by1 - by0 - 1}" rx="5" fill="url(#{gid})"/>\n')
        # top highlight of the embossed cap
        out.append(f'<path d="M{bx0 + 1.5},{by0 + 12} V{by0 + 6} A4.5,4.5 0 0 1 {bx0 + 6},{by0 + 1.5} '
                   f'H{bx1 - 6} A4.5,4.5 0 0 1 {bx1 - 1.5},{by0 + 6} V{by0 + 12}" fill="none" '
                   f'stroke="#ffffff" stroke-opacity="0.30" stroke-width="1"/>\n')
        # soft sheen on the upper half
        out.append(f'<rect x="{bx0 + 2}" y="{by0 + 2}" width="{bx1 - bx0 - 4}" '
                   f'height="{(by1 - by0) // 2 - 2}" rx="4" fill="#ffffff" fill-opacity="0.06"/>\n')
        dx, dy, col = 0, 0, LEGEND
    cx = x + w / 2 + dx
    cy = y + h / 2 + dy
    sub = look.get("sub")
    if "word" in look:
        out.append(text(cx, cy + 6, look["word"], 13, col))
        out.append(text(bx0 + 6 + dx, by0 + 11 + dy, look["index"], 9, col, anchor="start",
                        opacity=0.75))
    else:
        base = cy + (2 if sub else 9)
        if look.get("icon") == "printer":
            out.append(printer_icon(cx, cy - 6, col))
        elif "big" in look:
            out.append(text(cx, base, look["big"], look["size"], col))
            if look.get("arrows"):
                out.append(arrows(cx, base - 7, col))
        if sub:
            out.append(text(cx, by1 - 7 + dy, sub, 8, look.get("subcolour", col)))
    return "".join(out)


def arrows(cx: float, cy: float, colour: str) -> str:
    """Two small triangles pointing at the legend: the usual tare/zero marking."""
    return (f'<path d="M{cx - 18},{cy - 4} L{cx - 12},{cy} L{cx - 18},{cy + 4} Z '
            f'M{cx + 18},{cy - 4} L{cx + 12},{cy} L{cx + 18},{cy + 4} Z" fill="{colour}"/>\n')


def printer_icon(cx: float, cy: float, colour: str) -> str:
    """A small printer pictogram centred on cx, cy (about 22 x 18 px)."""
    x0, y0 = cx - 11, cy - 9
    return (f'<g fill="none" stroke="{colour}" stroke-width="1.6" stroke-linejoin="round">'
            f'<path d="M{x0 + 5},{y0 + 6} V{y0 + 0.5} H{x0 + 17} V{y0 + 6}"/>'
            f'<rect x="{x0 + 0.8}" y="{y0 + 6}" width="{20.4}" height="{8.5}" rx="1.5"/>'
            f'<path d="M{x0 + 5},{y0 + 11.5} V{y0 + 17.5} H{x0 + 17} V{y0 + 11.5} Z" '
            f'fill="{colour}" fill-opacity="0.25"/>'
            f'</g><circle cx="{x0 + 17.5}" cy="{y0 + 8.8}" r="1" fill="{colour}"/>\n')


# --------------------------------------------------------------------------- lamps

def lamp_socket(x: int, y: int, name: str, lit: bool, pfx: str) -> str:
    """LED in a black socket filling the 20 x 20 square at (x, y), face coordinates."""
    on, glow, off = LAMP_COLOUR[name]
    cx, cy = x + 10, y + 10
    out = [rad(f"{pfx}ring", cx - 2, cy - 3, 12, [(0, "#5a5c60"), (1, "#141517")]),
           f'<circle cx="{cx}" cy="{cy}" r="9.5" fill="url(#{pfx}ring)"/>\n',
           f'<circle cx="{cx}" cy="{cy}" r="9" fill="none" stroke="#000" stroke-opacity="0.7"/>\n',
           f'<circle cx="{cx}" cy="{cy}" r="7" fill="#0a0a0a"/>\n']
    if lit:
        out.append(rad(f"{pfx}glow", cx, cy, 9.5, [(0, glow, 0.9), (0.6, on, 0.55), (1, on, 0)]))
        out.append(f'<circle cx="{cx}" cy="{cy}" r="9.5" fill="url(#{pfx}glow)"/>\n')
        out.append(rad(f"{pfx}lens", cx - 1.5, cy - 1.5, 7,
                       [(0, "#ffffff"), (0.35, glow), (1, on)]))
        out.append(f'<circle cx="{cx}" cy="{cy}" r="6" fill="url(#{pfx}lens)"/>\n')
    else:
        out.append(rad(f"{pfx}lens", cx - 1.5, cy - 1.5, 7,
                       [(0, "#6a6a6a"), (0.45, off), (1, "#0c0c0c")]))
        out.append(f'<circle cx="{cx}" cy="{cy}" r="6" fill="url(#{pfx}lens)"/>\n')
    out.append(f'<ellipse cx="{cx - 2}" cy="{cy - 2.8}" rx="2.6" ry="1.6" fill="#ffffff" '
               f'fill-opacity="{0.75 if lit else 0.35}"/>\n')
    return "".join(out)


# --------------------------------------------------------------------------- window buttons

def window_button(kind: str, state: str, w: int, h: int, x: int = 0, y: int = 0,
                  pfx: str = "") -> str:
    """A tab hanging from the top edge with a close cross or a minimize bar."""
    tab_w = w if kind == "close" else w - 4      # minimize leaves room for the close tab
    x0, x1, y0, y1 = x + 0.5, x + tab_w - 0.5, y - 4, y + h - 0.5
    colours = {
        "normal": ("#4a4e55", "#2a2d31", "#d6d9dd"),
        "hover": (("#e0473a", "#a92519") if kind == "close" else ("#4c8fd0", "#245d94")) + ("#ffffff",),
        "pressed": (("#8c1d14", "#b02c20") if kind == "close" else ("#1c4670", "#2b679f")) + ("#e2e2e2",),
    }
    top, bot, glyph = colours[state]
    gid = f"{pfx}{kind}{state}"
    out = [lin(gid, 0, y, 0, y + h, [(0, top), (1, bot)]),
           f'<path d="{rrect_path(x0, y0, x1, y1, 5)}" fill="url(#{gid})" stroke="#16181a" '
           f'stroke-width="1"/>\n']
    if state != "pressed":
        out.append(f'<path d="M{x0 + 1.5},{y + 2.5} H{x1 - 1.5}" stroke="#ffffff" '
                   f'stroke-opacity="0.22"/>\n')
    else:
        out.append(f'<path d="M{x0 + 1.5},{y + 2} H{x1 - 1.5}" stroke="#000" '
                   f'stroke-opacity="0.45" stroke-width="2"/>\n')
    d = 1 if state == "pressed" else 0
    cx, cy = x + tab_w / 2 + d, y + h / 2 + 0.5 + d
    if kind == "close":
        out.append(f'<path d="M{cx - 4.5},{cy - 4.5} L{cx + 4.5},{cy + 4.5} M{cx + 4.5},{cy - 4.5} '
                   f'L{cx - 4.5},{cy + 4.5}" stroke="{glyph}" stroke-width="2.2" '
                   f'stroke-linecap="round"/>\n')
    else:
        out.append(f'<path d="M{cx - 5},{cy + 4} H{cx + 5}" stroke="{glyph}" stroke-width="2.4" '
                   f'stroke-linecap="round"/>\n')
    return "".join(out)


# --------------------------------------------------------------------------- face

def face(doser: bool) -> str:
    o = []
    # Beyond the window outline nothing is seen; keep it dark and opaque.
    o.append(f'<rect x="0" y="0" width="{FACE_W}" height="{FACE_H}" fill="#1b1c1e"/>\n')
    # Steel frame.
    o.append(lin("steel", 0, OUT_Y0, 0, OUT_Y1,
                 [(0, "#e3e6ea"), (0.06, "#b9bec4"), (0.5, "#a7acb2"), (0.94, "#8e9399"),
                  (1, "#6d7278")]))
    o.append(lin("sheen", OUT_X0, 0, OUT_X1, 0,
                 [(0, "#ffffff", 0.0), (0.3, "#ffffff", 0.18), (0.55, "#ffffff", 0.0),
                  (0.8, "#ffffff", 0.12), (1, "#ffffff", 0.0)]))
    frame = rrect_path(OUT_X0, OUT_Y0, OUT_X1, OUT_Y1, OUT_R)
    o.append(f'<path d="{frame}" fill="url(#steel)"/>\n')
    o.append(f'<path d="{frame}" fill="url(#sheen)"/>\n')
    o.append(f'<path d="{rrect_path(OUT_X0 + 0.5, OUT_Y0 + 0.5, OUT_X1 - 0.5, OUT_Y1 - 0.5, OUT_R - 0.5)}" '
             f'fill="none" stroke="#3d4146" stroke-width="1"/>\n')
    o.append(f'<path d="{rrect_path(OUT_X0 + 1.5, OUT_Y0 + 1.5, OUT_X1 - 1.5, OUT_Y1 - 1.5, OUT_R - 1.5)}" '
             f'fill="none" stroke="#ffffff" stroke-opacity="0.45" stroke-width="1"/>\n')
    # Screws in the frame corners.
    for i, (sx, sy) in enumerate(((24, 23), (547, 23))):
        o.append(rad(f"screw{i}", sx - 1.5, sy - 1.5, 4.5, [(0, "#f4f5f6"), (1, "#70757b")]))
        o.append(f'<circle cx="{sx}" cy="{sy}" r="3.5" fill="url(#screw{i})" stroke="#4a4e53" '
                 f'stroke-width="0.8"/>\n')
        o.append(f'<path d="M{sx - 2.2},{sy + 1.2} L{sx + 2.2},{sy - 1.2}" stroke="#4a4e53" '
                 f'stroke-width="1"/>\n')
    # Membrane, sunk into the frame.
    o.append(f'<path d="{rrect_path(MEMB_X0 - 1, MEMB_Y0 - 1, MEMB_X1 + 1, MEMB_Y1 + 1, MEMB_R + 1)}" '
             f'fill="#3a3c3f"/>\n')
    o.append(f'<path d="{rrect_path(MEMB_X0, MEMB_Y0, MEMB_X1, MEMB_Y1, MEMB_R)}" fill="{MEMB}"/>\n')
    o.append(f'<path d="M{MEMB_X0 + 0.5},{MEMB_Y1 - MEMB_R} V{MEMB_Y0 + MEMB_R} '
             f'A{MEMB_R - 0.5},{MEMB_R - 0.5} 0 0 1 {MEMB_X0 + MEMB_R},{MEMB_Y0 + 0.5} H{MEMB_X1 - MEMB_R}" '
             f'fill="none" stroke="#000" stroke-opacity="0.35" stroke-width="1"/>\n')
    o.append(f'<path d="M{MEMB_X0 + MEMB_R},{MEMB_Y1 + 1.5} H{MEMB_X1 - MEMB_R}" stroke="#ffffff" '
             f'stroke-opacity="0.35" stroke-width="1"/>\n')

    # Display bezel and glass.
    bx0, by0, bx1, by1 = BEZEL
    o.append(f'<path d="{rrect_path(bx0 - 1, by0 - 1, bx1 + 1, by1 + 1, 7)}" fill="#3b3d40"/>\n')
    o.append(f'<path d="{rrect_path(bx0, by0, bx1, by1, 6)}" fill="#151617"/>\n')
    o.append(f'<path d="M{bx0 + 6},{by1 + 1.5} H{bx1 - 6}" stroke="#ffffff" stroke-opacity="0.28"/>\n')
    for gx0, gy0, gx1, gy1 in (GLASS1, GLASS2):
        o.append(f'<rect x="{gx0}" y="{gy0}" width="{gx1 - gx0}" height="{gy1 - gy0}" fill="{GLASS}"/>\n')
        # thin inner shade at the top and left edges of the window
        o.append(f'<path d="M{gx0 + 0.5},{gy1} V{gy0 + 0.5} H{gx1}" fill="none" stroke="#4d4d4d" '
                 f'stroke-width="1"/>\n')
        o.append(f'<path d="M{gx0 + 1.5},{gy1} V{gy0 + 1.5} H{gx1}" fill="none" stroke="#707070" '
                 f'stroke-width="1"/>\n')
        o.append(f'<path d="M{gx0 + 1},{gy1 - 0.5} H{gx1 - 0.5} V{gy0 + 1}" fill="none" '
                 f'stroke="#9a9a9a" stroke-width="1"/>\n')
    # Unit marks printed on the glass beside the digits.
    o.append(text(281, 121, "кг", 11, "#2e2e2e"))

    # Lamps and their captions.
    names = ["stab", "tare", "zero", "data"] + (["doz1", "doz2", "doz3", "doz4"] if doser else [])
    for n in names:
        lx, ly = LAMPS[n]
        o.append(lamp_socket(lx, ly + Y_SHIFT, n, False, f"l{n}"))
        o.append(text(lx + 24, ly + Y_SHIFT + 14, LAMP_CAPTION[n], 10, "#ececec", anchor="start"))

    # Keypad plate.
    px0, py0, px1, py1 = PLATE_RECT
    o.append(f'<path d="{rrect_path(px0 - 1, py0 - 1, px1 + 1, py1 + 1, 7)}" fill="#2f3032"/>\n')
    o.append(f'<path d="{rrect_path(px0, py0, px1, py1, 6)}" fill="{PLATE}"/>\n')
    o.append(f'<path d="M{px0 + 6},{py1 + 1.5} H{px1 - 6}" stroke="#ffffff" stroke-opacity="0.28"/>\n')
    for r, row in enumerate(KEY_GRID):
        for c, name in enumerate(row):
            x, y, w, h = key_cell(c, r)
            o.append(draw_key(x, y, w, h, key_look(name, doser), False, f"k{r}{c}"))

    # Brand block under the keypad.
    o.append(text(318, 331, "KORVEL", 36, "#f2f2f2", anchor="start", style="italic"))
    o.append(f'<rect x="320" y="338" width="215" height="3" fill="#d52b2b"/>\n')
    o.append(text(427.5, 355, "ВЕСОВОЙ ДОЗАТОР" if doser else "ВЕСОИЗМЕРИТЕЛЬНЫЙ ИНДИКАТОР",
                  9, "#dedede"))
    o.append(text(427.5, 369, "серия 1.X – 3.X", 8.5, "#b8bbbf", weight="normal"))
    # Divider between lamps and the bottom strip of the membrane.
    o.append(f'<path d="M34,{296.5} H296" stroke="#000" stroke-opacity="0.30"/>\n')
    o.append(f'<path d="M34,{297.5} H296" stroke="#ffffff" stroke-opacity="0.16"/>\n')

    # Window buttons drawn in their normal look (the button pictures cover them).
    o.append(window_button("minimize", "normal", MIN_BTN[2], MIN_BTN[3], MIN_BTN[0],
                           MIN_BTN[1] + Y_SHIFT, pfx="f"))
    o.append(window_button("close", "normal", CLOSE_BTN[2], CLOSE_BTN[3], CLOSE_BTN[0],
                           CLOSE_BTN[1] + Y_SHIFT, pfx="f"))
    return svg_doc(FACE_W, FACE_H, "".join(o))


# --------------------------------------------------------------------------- I/O panel lamps

def io_lamp(kind: str) -> str:
    on = {"gray": None, "green": ("#6dff4a", "#c4ffb2"), "red": ("#ff3a2a", "#ffb0a8")}[kind]
    o = [rad("ring", 8, 7, 12, [(0, "#6a6d72"), (1, "#18191b")]),
         '<circle cx="10" cy="10" r="9.5" fill="url(#ring)"/>\n',
         '<circle cx="10" cy="10" r="9" fill="none" stroke="#000" stroke-opacity="0.7"/>\n',
         '<circle cx="10" cy="10" r="7" fill="#0a0a0a"/>\n']
    if on:
        o.append(rad("lens", 8.5, 8.5, 7, [(0, "#ffffff"), (0.35, on[1]), (1, on[0])]))
    else:
        o.append(rad("lens", 8.5, 8.5, 7, [(0, "#b0b0b0"), (0.5, "#6c6c6c"), (1, "#2a2a2a")]))
    o.append('<circle cx="10" cy="10" r="6" fill="url(#lens)"/>\n')
    o.append(f'<ellipse cx="8" cy="7.2" rx="2.6" ry="1.6" fill="#ffffff" '
             f'fill-opacity="{0.75 if on else 0.45}"/>\n')
    return svg_doc(20, 20, "".join(o))


def io_halo() -> str:
    # Lies behind an output lamp whose square starts 2 px right and 3 px down; only the ring
    # outside the lamp's 9.5 px rim shows, so the glow is brightest just there.
    o = [rad("halo", 12, 13, 12.5, [(0, "#ffd84a", 0.0), (0.70, "#ffd84a", 0.0),
                                    (0.78, "#ffe070", 1.0), (0.90, "#ffb020", 0.9),
                                    (1, "#ff8c00", 0.0)]),
         '<circle cx="12" cy="13" r="12" fill="url(#halo)"/>\n']
    return svg_doc(25, 25, "".join(o))



# --------------------------------------------------------------------------- application icon

ICON = 128
SEGMENT_ON = "#b8ff33"      # the digit colour of the program's displays


def segment_digit(x: float, y: float, w: float, h: float, digit: str, t: float) -> str:
    """A seven-segment digit in the box (x, y, w, h): lit segments as round-capped strokes."""
    lit = {"0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg", "5": "acdfg",
           "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg"}[digit]
    g = t * 0.9                                   # gap between neighbouring segments
    x0, x1, ym = x + t / 2, x + w - t / 2, y + h / 2
    y0, y1 = y + t / 2, y + h - t / 2
    seg = {
        "a": (x0 + g, y0, x1 - g, y0), "d": (x0 + g, y1, x1 - g, y1), "g": (x0 + g, ym, x1 - g, ym),
        "f": (x0, y0 + g, x0, ym - g), "b": (x1, y0 + g, x1, ym - g),
        "e": (x0, ym + g, x0, y1 - g), "c": (x1, ym + g, x1, y1 - g),
    }
    d = " ".join(f"M{seg[k][0]:.2f},{seg[k][1]:.2f} L{seg[k][2]:.2f},{seg[k][3]:.2f}" for k in lit)
    return (f'<path d="{d}" fill="none" stroke="{SEGMENT_ON}" stroke-width="{t}" '
            f'stroke-linecap="round"/>\n')


def app_icon() -> str:
    """The menu and window icon: the indicator's face in small, with no text to blur."""
    o = []
    # Steel frame, membrane and display as on the face.
    o.append(lin("isteel", 0, 10, 0, 118, [(0, "#e3e6ea"), (0.08, "#b9bec4"), (0.5, "#a7acb2"),
                                          (0.92, "#8e9399"), (1, "#6d7278")]))
    o.append(f'<path d="{rrect_path(4.5, 10.5, 123.5, 117.5, 12)}" fill="url(#isteel)" '
             f'stroke="#3d4146" stroke-width="1"/>\n')
    o.append(f'<path d="{rrect_path(5.5, 11.5, 122.5, 116.5, 11)}" fill="none" stroke="#ffffff" '
             f'stroke-opacity="0.45" stroke-width="1"/>\n')
    o.append(f'<path d="{rrect_path(10, 17, 118, 111, 6)}" fill="#3a3c3f"/>\n')
    o.append(f'<path d="{rrect_path(11, 18, 117, 110, 5)}" fill="{MEMB}"/>\n')
    o.append(f'<path d="{rrect_path(16, 23, 112, 63, 5)}" fill="#151617"/>\n')
    o.append(f'<rect x="20" y="27" width="88" height="32" fill="{GLASS}"/>\n')
    o.append('<path d="M20.5,59 V27.5 H108" fill="none" stroke="#4d4d4d" stroke-width="1"/>\n')
    # "25.0" in the display's own colour.
    for i, digit in enumerate("250"):
        o.append(segment_digit(29 + i * 25, 31, 18, 24, digit, 3.4))
    o.append(f'<circle cx="{29 + 25 + 18 + 3.2}" cy="53.3" r="2" fill="{SEGMENT_ON}"/>\n')
    # A lit stable lamp and an unlit tare lamp.
    o.append(lamp_socket(14, 71, "stab", True, "is"))
    o.append(lamp_socket(14, 91, "tare", False, "it"))
    # Six keys of the keypad: digits dark, function keys blue.
    o.append(f'<path d="{rrect_path(43, 68, 113, 106, 5)}" fill="{PLATE}"/>\n')
    for r in range(2):
        for c in range(3):
            style = "blue" if c == 2 else "dark"
            (top, bot), _ = KEY_STYLE[style]
            x, y = 46 + c * 22.5, 71 + r * 17.5
            gid = f"ik{r}{c}"
            o.append(lin(gid, 0, y, 0, y + 15, [(0, top), (1, bot)]))
            o.append(f'<rect x="{x + 0.5}" y="{y + 1}" width="19.5" height="15" rx="3" '
                     f'fill="#000" fill-opacity="0.45"/>\n')
            o.append(f'<rect x="{x}" y="{y}" width="19.5" height="15" rx="3" '
                     f'fill="url(#{gid})" stroke="#111" stroke-opacity="0.85" stroke-width="0.8"/>\n')
            o.append(f'<path d="M{x + 2.5},{y + 1.6} H{x + 17}" stroke="#ffffff" '
                     f'stroke-opacity="0.30" stroke-width="1"/>\n')
    # The brand's red rule under the keypad.
    o.append('<rect x="43" y="104.5" width="70" height="2.5" fill="#d52b2b"/>\n')
    return svg_doc(ICON, ICON, "".join(o))


# --------------------------------------------------------------------------- output

def write(rel: str, content: str) -> None:
    path = os.path.join(HERE, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(content)


def main() -> None:
    write("faces/plain.svg", face(False))
    write("faces/doser.svg", face(True))

    for r, row in enumerate(KEY_GRID):
        for c, name in enumerate(row):
            x, y, w, h = key_cell(c, r)
            for doser in (False, True):
                if doser and name not in ("c", "0", "e", "print", "f"):
                    continue
                body = (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{PLATE}"/>\n' +
                        draw_key(x, y, w, h, key_look(name, doser), True, "k"))
                sub = "keys/doser/" if doser else "keys/"
                write(f"{sub}key_{name}_pressed.svg", svg_doc(w, h, body, (x, y, w, h)))

    for n, (lx, ly) in LAMPS.items():
        x, y = lx, ly + Y_SHIFT
        body = (f'<rect x="{x}" y="{y}" width="20" height="20" fill="{MEMB}"/>\n' +
                lamp_socket(x, y, n, True, "l"))
        write(f"lamps/{n}_on.svg", svg_doc(20, 20, body, (x, y, 20, 20)))

    for kind in ("gray", "green", "red"):
        write(f"io/lamp_{kind}.svg", io_lamp(kind))
    write("io/halo.svg", io_halo())

    write("icon/korvel.svg", app_icon())


if __name__ == "__main__":
    main()
