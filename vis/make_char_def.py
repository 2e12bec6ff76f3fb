#!/usr/bin/env python3
"""Writes vis/char_def.cpp: the stroke font of the 3D labels (CHARDEF).

Every glyph below is a list of strokes, every stroke a list of (x, y) grid
points: the first point of a stroke moves the pen there (pen 1), each
further point draws a line to it (pen 2). The grid runs from x = -30 (left
edge of the character cell) to 30, and from y = -45 to 30: y = 30 is the
top of a capital, y = -30 the base line, lower case reaches up to y = 6
(ascenders to 30) and descenders down to y = -45. Curves are polygons with
points rounded to the grid.

The output is the two constant tables: CHARLOC(0:255), the index in
POINTLOC where each code's record starts (0 for no glyph), and
POINTLOC(1:5199), the records one after another: 0, the code, the number
of points n, then n triples (pen, x, y). The glyphs are shaped so that the
records fill POINTLOC exactly. Run it from the repository root:
    python3 vis/make_char_def.py > vis/char_def.cpp
"""
import math
import sys

POINTLOC_SIZE = 5199
XLO, XHI, YLO, YHI = -30, 30, -45, 30
XH = 6  # top of the lower case


def rnd(v):
    return int(math.floor(v + 0.5))


def arc(cx, cy, rx, ry, a0, a1, n=None):
    """Points of an elliptic arc from angle a0 to a1 (degrees), both ends
    included; by default one segment per 24 degrees or less."""
    if n is None:
        n = max(2, math.ceil(abs(a1 - a0) / 24.0) + 1)
    pts = []
    for i in range(n):
        a = math.radians(a0 + (a1 - a0) * i / (n - 1))
        pts.append((rnd(cx + rx * math.cos(a)), rnd(cy + ry * math.sin(a))))
    return pts


def ring(cx, cy, rx, ry, n=16, start=90):
    """A closed ellipse of n - 1 segments, starting and ending at `start`."""
    return arc(cx, cy, rx, ry, start, start + 360, n)


def stroke(*parts):
    """One stroke from points and point lists, repeated points dropped."""
    pts = []
    for p in parts:
        for q in (p if isinstance(p, list) else [p]):
            if not pts or pts[-1] != q:
                pts.append(q)
    return pts


def line(*pts):
    return stroke(*pts)


def dot(x, y):
    """A small square that reads as a dot."""
    return [line((x - 2, y - 2), (x + 2, y - 2), (x + 2, y + 2), (x - 2, y + 2), (x - 2, y - 2))]


def mirror(strokes):
    return [[(-x, y) for x, y in s] for s in strokes]


def turn(strokes):
    """Half a turn about the cell's middle (0, 0)."""
    return [[(-x, -y) for x, y in s] for s in strokes]


def squeeze(strokes):
    """A capital lowered to make room for an accent: top at y = 14."""
    return [stroke(*[(rnd(x * 0.85), rnd(-30 + (y + 30) * 44 / 60)) for x, y in s]) for s in strokes]


G = {}

# ---- capitals -------------------------------------------------------------
G[ord('A')] = [line((-20, -30), (0, 30), (20, -30)), line((-12, -9), (12, -9))]
G[ord('B')] = [stroke((-18, 0), arc(4, 15, 14, 15, -90, 90, 7), (-18, 30), (-18, -30),
                      arc(4, -15, 16, 15, -90, 90, 7))]
G[ord('C')] = [arc(2, 0, 20, 30, 40, 320)]
G[ord('D')] = [stroke((-18, 30), (-18, -30), arc(-4, 0, 22, 30, -90, 90), (-18, 30))]
G[ord('E')] = [line((18, 30), (-18, 30), (-18, -30), (18, -30)), line((-18, 0), (10, 0))]
G[ord('F')] = [line((18, 30), (-18, 30), (-18, -30)), line((-18, 0), (10, 0))]
G[ord('G')] = [stroke(arc(2, 0, 20, 30, 40, 330), (19, -2), (4, -2))]
G[ord('H')] = [line((-18, 30), (-18, -30)), line((18, 30), (18, -30)), line((-18, 0), (18, 0))]
G[ord('I')] = [line((0, 30), (0, -30)), line((-8, 30), (8, 30)), line((-8, -30), (8, -30))]
G[ord('J')] = [stroke((14, 30), (14, -14), arc(0, -14, 14, 16, 0, -180))]
G[ord('K')] = [line((-18, 30), (-18, -30)), line((18, 30), (-18, -6)), line((-7, 3), (18, -30))]
G[ord('L')] = [line((-16, 30), (-16, -30), (16, -30))]
G[ord('M')] = [line((-20, -30), (-20, 30), (0, -10), (20, 30), (20, -30))]
G[ord('N')] = [line((-18, -30), (-18, 30), (18, -30), (18, 30))]
G[ord('O')] = [ring(0, 0, 20, 30)]
G[ord('P')] = [stroke((-18, -30), (-18, 30), arc(4, 15, 14, 15, 90, -90, 7), (-18, 0))]
G[ord('Q')] = [ring(0, 0, 20, 30), line((4, -14), (20, -36))]
G[ord('R')] = G[ord('P')] + [line((0, 0), (18, -30))]
G[ord('S')] = [stroke(arc(0, 15, 17, 15, 30, 270), arc(0, -15, 18, 15, 90, -150))]
G[ord('T')] = [line((-20, 30), (20, 30)), line((0, 30), (0, -30))]
G[ord('U')] = [stroke((-18, 30), (-18, -12), arc(0, -12, 18, 18, 180, 360), (18, 30))]
G[ord('V')] = [line((-20, 30), (0, -30), (20, 30))]
G[ord('W')] = [line((-24, 30), (-12, -30), (0, 14), (12, -30), (24, 30))]
G[ord('X')] = [line((-18, 30), (18, -30)), line((18, 30), (-18, -30))]
G[ord('Y')] = [line((-20, 30), (0, 2), (20, 30)), line((0, 2), (0, -30))]
G[ord('Z')] = [line((-18, 30), (18, 30), (-18, -30), (18, -30))]

# ---- digits -----------------------------------------------------------------
G[ord('0')] = [ring(0, 0, 16, 30), line((-10, -20), (10, 20))]
G[ord('1')] = [line((-10, 18), (2, 30), (2, -30)), line((-10, -30), (14, -30))]
G[ord('2')] = [stroke(arc(0, 14, 16, 16, 160, -30), (-16, -30), (16, -30))]
G[ord('3')] = [stroke(arc(0, 15, 15, 15, 150, -90), arc(0, -15, 17, 15, 90, -150))]
G[ord('4')] = [line((8, -30), (8, 30), (-18, -12), (18, -12))]
G[ord('5')] = [stroke((15, 30), (-13, 30), (-15, 2), arc(0, -12, 17, 18, 125, -150))]
G[ord('6')] = [stroke(arc(0, 0, 16, 30, 55, 180), arc(0, -12, 16, 18, 180, 540))]
G[ord('7')] = [line((-16, 30), (16, 30), (-4, -30))]
G[ord('8')] = [ring(0, 15, 14, 15, start=-90), ring(0, -15, 17, 15)]
G[ord('9')] = turn(G[ord('6')])

# ---- lower case ---------------------------------------------------------------
BOWL = (0, -12, 15, 18)  # centre and radii of the round lower-case letters
G[ord('a')] = [ring(*BOWL, start=0), line((15, XH), (15, -30))]
G[ord('b')] = [line((-15, 30), (-15, -30)), ring(*BOWL, start=180)]
G[ord('c')] = [arc(1, -12, 15, 18, 40, 320)]
G[ord('d')] = [line((15, 30), (15, -30)), ring(*BOWL, start=0)]
G[ord('e')] = [stroke((-15, -12), (15, -12), arc(*BOWL, 0, 320))]
G[ord('f')] = [stroke(arc(8, 20, 8, 10, 20, 180, 7), (0, -30)), line((-8, XH), (10, XH))]
G[ord('g')] = [ring(*BOWL, start=0), stroke((15, XH), (15, -34), arc(0, -34, 15, 11, 0, -160))]
G[ord('h')] = [line((-15, 30), (-15, -30)), stroke(arc(0, -8, 15, 14, 180, 0), (15, -30))]
G[ord('i')] = [line((0, XH), (0, -30))] + dot(0, 17)
G[ord('j')] = [stroke((4, XH), (4, -34), arc(-6, -34, 10, 11, 0, -160))] + dot(4, 17)
G[ord('k')] = [line((-14, 30), (-14, -30)), line((14, XH), (-14, -14)), line((-4, -7), (14, -30))]
G[ord('l')] = [line((0, 30), (0, -30))]
G[ord('m')] = [line((-22, XH), (-22, -30)), stroke(arc(-11, -8, 11, 14, 180, 0), (0, -30)),
               stroke(arc(11, -8, 11, 14, 180, 0), (22, -30))]
G[ord('n')] = [line((-15, XH), (-15, -30)), stroke(arc(0, -8, 15, 14, 180, 0), (15, -30))]
G[ord('o')] = [ring(0, -12, 16, 18)]
G[ord('p')] = [line((-15, XH), (-15, -45)), ring(*BOWL, start=180)]
G[ord('q')] = [line((15, XH), (15, -45)), ring(*BOWL, start=0)]
G[ord('r')] = [line((-12, XH), (-12, -30)), arc(2, -8, 14, 14, 180, 45)]
G[ord('s')] = [stroke(arc(0, -3, 13, 9, 20, 270), arc(0, -21, 14, 9, 90, -160))]
G[ord('t')] = [stroke((0, 24), (0, -22), arc(8, -22, 8, 8, 180, 300, 4)), line((-10, XH), (12, XH))]
G[ord('u')] = [stroke((-15, XH), (-15, -16), arc(0, -16, 15, 14, 180, 360)), line((15, XH), (15, -30))]
G[ord('v')] = [line((-15, XH), (0, -30), (15, XH))]
G[ord('w')] = [line((-21, XH), (-10, -30), (0, 0), (10, -30), (21, XH))]
G[ord('x')] = [line((-15, XH), (15, -30)), line((15, XH), (-15, -30))]
G[ord('y')] = [line((-15, XH), (0, -28)), line((15, XH), (-3, -38), (-8, -44), (-14, -44))]
G[ord('z')] = [line((-15, XH), (15, XH), (-15, -30), (15, -30))]

# ---- signs -------------------------------------------------------------------
COMMA = dot(0, -28) + [line((2, -28), (2, -32), (-3, -39))]
G[ord(' ')] = []
G[ord('!')] = [line((0, 30), (0, -14))] + dot(0, -28)
G[ord('"')] = [line((-7, 30), (-7, 16)), line((7, 30), (7, 16))]
G[ord('#')] = [line((-5, 26), (-11, -26)), line((11, 26), (5, -26)),
               line((-18, 8), (18, 8)), line((-18, -8), (18, -8))]
G[ord('$')] = [stroke(arc(0, 12, 15, 12, 30, 270), arc(0, -12, 16, 12, 90, -150)), line((0, 30), (0, -30))]
G[ord('%')] = [line((16, 30), (-16, -30)), ring(-10, 18, 6, 9, 11), ring(10, -18, 6, 9, 11)]
G[ord('&')] = [stroke((18, -30), (-6, 6), arc(-1, 18, 9, 12, 225, -45), (-16, -14),
                      arc(-3, -18, 13, 12, 165, 365), (16, -6))]
G[ord("'")] = [line((0, 30), (0, 16))]
G[ord('(')] = [arc(16, -4, 20, 34, 115, 245, 7)]
G[ord(')')] = mirror(G[ord('(')])
G[ord('*')] = [line((0, 20), (0, -8)), line((-12, 13), (12, -1)), line((12, 13), (-12, -1))]
G[ord('+')] = [line((0, 16), (0, -16)), line((-16, 0), (16, 0))]
G[ord(',')] = COMMA
G[ord('-')] = [line((-14, 0), (14, 0))]
G[ord('.')] = dot(0, -28)
G[ord('/')] = [line((-16, -34), (16, 30))]
G[ord(':')] = dot(0, 0) + dot(0, -28)
G[ord(';')] = dot(0, 0) + COMMA
G[ord('<')] = [line((16, 16), (-16, 0), (16, -16))]
G[ord('=')] = [line((-16, 7), (16, 7)), line((-16, -7), (16, -7))]
G[ord('>')] = mirror(G[ord('<')])
G[ord('?')] = [stroke(arc(0, 16, 14, 14, 160, -90), (0, -12))] + dot(0, -28)
G[ord('@')] = [ring(0, -2, 8, 10, 11),
               stroke((8, 8), (8, -8), (14, -12), (20, -6), arc(0, 0, 22, 28, -15, 320))]
G[ord('[')] = [line((8, 30), (-6, 30), (-6, -38), (8, -38))]
G[ord('\\')] = [line((-16, 30), (16, -34))]
G[ord(']')] = mirror(G[ord('[')])
G[ord('^')] = [line((-16, 0), (0, 18), (16, 0))]
G[ord('_')] = [line((-22, -40), (22, -40))]
G[ord('`')] = [line((-6, 30), (4, 20))]
G[ord('{')] = [line((8, 30), (2, 28), (0, 24), (0, 2), (-2, -2), (-8, -4), (-2, -6), (0, -10),
                    (0, -32), (2, -36), (8, -38))]
G[ord('|')] = [line((0, 30), (0, -40))]
G[ord('}')] = mirror(G[ord('{')])
G[ord('~')] = [line((-16, -2), (-10, 4), (-4, 2), (4, -2), (10, -4), (16, 2))]
G[127] = [line((-16, -30), (16, -30), (16, 2), (-16, 2), (-16, -30), (16, 2)), line((-16, 2), (16, -30))]

# ---- layout controls: they have glyphs but are never drawn -------------------
G[7] = [line((-14, -10), (0, 20), (14, -10), (-14, -10))] + dot(0, -16)      # bell
G[8] = [line((18, 0), (-18, 0)), line((-8, 10), (-18, 0), (-8, -10))]        # back space
G[9] = [line((-18, 0), (16, 0)), line((6, 10), (16, 0), (6, -10)), line((18, 12), (18, -12))]  # tab
G[10] = [line((0, 20), (0, -20)), line((-10, -10), (0, -20), (10, -10))]     # line feed
G[11] = G[10] + [line((-12, -24), (12, -24))]                               # vertical tab
G[12] = [line((6, 24), (-14, 24), (-14, -30), (14, -30), (14, 16), (6, 24), (6, 16), (14, 16))]  # page
G[13] = [line((16, 20), (16, 0), (-16, 0)), line((-6, 10), (-16, 0), (-6, -10))]  # return
G[27] = [ring(0, 0, 16, 16), line((-10, 10), (10, -10)), line((10, 10), (-10, -10))]  # escape

# ---- Latin-1 signs and capitals ---------------------------------------------------
GRAVE = [line((-6, 30), (4, 20))]
ACUTE = [line((-4, 20), (6, 30))]
CIRCUMFLEX = [line((-10, 20), (0, 30), (10, 20))]
TILDE = [line((-12, 21), (-6, 27), (0, 25), (6, 21), (12, 27))]
DIAERESIS = dot(-8, 24) + dot(8, 24)
RING = [ring(0, 24, 5, 5, 9)]
CEDILLA = [line((0, -30), (2, -35), (6, -38), (2, -43), (-4, -44))]

G[149] = [ring(0, 0, 8, 8, 13), ring(0, 0, 5, 5, 9), line((-2, 0), (2, 0))]        # bullet
G[153] = [line((-26, 30), (-8, 30)), line((-17, 30), (-17, 12)),
          line((-4, 12), (-4, 30), (7, 16), (18, 30), (18, 12))]                  # trade mark
G[169] = [ring(0, 0, 28, 28, 21), arc(2, 0, 13, 14, 45, 315)]                     # copyright
G[174] = [ring(0, 0, 28, 28, 21), stroke((-10, -16), (-10, 16), arc(0, 8, 8, 8, 90, -90, 5), (-10, 0)),
          line((0, 0), (12, -16))]                                               # registered
G[176] = [ring(0, 22, 8, 8, 13)]                                                   # degree
G[177] = [line((0, 18), (0, -12)), line((-16, 3), (16, 3)), line((-16, -26), (16, -26))]  # plus-minus

# Accented capitals: the capital lowered and narrowed, the accent above it.
ACCENTED = {
    192: ('A', GRAVE), 193: ('A', ACUTE), 194: ('A', CIRCUMFLEX), 195: ('A', TILDE), 196: ('A', DIAERESIS),
    197: ('A', RING),
    200: ('E', GRAVE), 201: ('E', ACUTE), 202: ('E', CIRCUMFLEX), 203: ('E', DIAERESIS),
    204: ('I', GRAVE), 205: ('I', ACUTE), 206: ('I', CIRCUMFLEX), 207: ('I', DIAERESIS),
    209: ('N', TILDE),
    210: ('O', GRAVE), 211: ('O', ACUTE), 212: ('O', CIRCUMFLEX), 213: ('O', TILDE), 214: ('O', DIAERESIS),
    217: ('U', GRAVE), 221: ('Y', ACUTE),
}
for code, (base, accent) in ACCENTED.items():
    G[code] = squeeze(G[ord(base)]) + accent
G[198] = [line((-24, -30), (0, 30), (22, 30)), line((0, 30), (0, -30), (22, -30)),
          line((-16, -9), (0, -9)), line((0, 0), (16, 0))]                       # AE
G[199] = G[ord('C')] + CEDILLA
G[208] = G[ord('D')] + [line((-26, 0), (-8, 0))]                                 # Eth
G[215] = [line((-14, 14), (14, -14)), line((14, 14), (-14, -14))]                # multiplication
G[216] = G[ord('O')] + [line((-18, -34), (18, 30))]                              # O with stroke

# ---- emblems ----------------------------------------------------------------------
# 224: the notice emblem, a capital F inside a circle.
G[224] = [ring(0, 0, 28, 28, 19), line((12, 16), (-8, 16), (-8, -16)), line((-8, 0), (8, 0))]
G[225] = [stroke(*[(rnd((26 if k % 2 == 0 else 11) * math.cos(math.radians(90 + 36 * k))),
                    rnd((26 if k % 2 == 0 else 11) * math.sin(math.radians(90 + 36 * k))))
                   for k in range(11)])]                                          # star
G[226] = [line((0, 26), (-20, 0), (0, -26), (20, 0), (0, 26)),
          line((0, 12), (-10, 0), (0, -12), (10, 0), (0, 12))]                    # diamond
G[227] = [line((0, 28), (-12, -6), (0, 2), (12, -6), (0, 28)), line((0, 2), (0, -28))]  # north arrow
G[228] = [line((-20, -24), (20, -24), (20, 16), (-20, 16), (-20, -24)),
          line((-12, -2), (-2, -14), (24, 28))]                                   # ticked box
G[238] = [stroke((0, -26), arc(-10, 10, 11, 11, 225, 45), arc(10, 10, 11, 11, 135, -45), (0, -26))]  # heart
G[239] = [ring(0, 0, 24, 24, 7, 0), ring(0, 0, 10, 10, 7, 0)]                     # hexagon nut

COVERAGE = (list(range(7, 14)) + [27] + list(range(32, 128)) + [149, 153, 169, 174, 176, 177]
            + list(range(192, 218)) + [221] + list(range(224, 229)) + [238, 239])


def build():
    assert sorted(G) == COVERAGE, sorted(set(G) ^ set(COVERAGE))
    charloc = [0] * 256
    pointloc = []
    for code in COVERAGE:
        pts = []
        for s in G[code]:
            assert len(s) >= 2, (code, s)
            for k, (x, y) in enumerate(s):
                assert XLO <= x <= XHI and YLO <= y <= YHI, (code, x, y)
                pts.append((1 if k == 0 else 2, x, y))
        charloc[code] = len(pointloc) + 1
        pointloc += [0, code, len(pts)]
        for p in pts:
            pointloc += list(p)
    return charloc, pointloc


def main():
    charloc, pointloc = build()
    total = (len(pointloc) - 3 * len(COVERAGE)) // 3
    if len(pointloc) != POINTLOC_SIZE:
        sys.exit(f"the glyphs have {total} points; POINTLOC holds {(POINTLOC_SIZE - 3 * len(COVERAGE)) // 3}")
    out = []
    emit = out.append
    emit("// Generated by vis/make_char_def.py; do not edit by hand.")
    emit("// The stroke font of the 3D labels: CHARLOC(0:255) and POINTLOC(1:5199),")
    emit(f"// {len(COVERAGE)} glyph records of 0, code, point count, then (pen, x, y) per point.")
    emit('#include "vis/char_def.hpp"')
    emit("")
    emit("namespace quorl {")
    emit("")
    emit("namespace {")
    emit("")
    emit("// CHARLOC(c) at element c.")
    emit("constexpr std::int16_t kCharLoc[256] = {")
    for i in range(0, 256, 16):
        emit("    " + ", ".join(str(v) for v in charloc[i:i + 16]) + ",")
    emit("};")
    emit("")
    emit("// POINTLOC(j) at element j - 1; one glyph record per line.")
    emit(f"constexpr std::int16_t kPointLoc[{POINTLOC_SIZE}] = {{")
    j = 0
    while j < len(pointloc):
        n = pointloc[j + 2]
        rec = pointloc[j:j + 3 + 3 * n]
        head = f"    0, {rec[1]}, {n},"
        body = "".join(f" {rec[3 + 3 * k]}, {rec[4 + 3 * k]}, {rec[5 + 3 * k]}," for k in range(n))
        emit(head + body)
        j += 3 + 3 * n
    emit("};")
    emit("")
    emit("}  // namespace")
    emit("")
    emit("const FontTable& CHARDEF() {")
    emit("    static const FontTable font(kCharLoc, kPointLoc);")
    emit("    return font;")
    emit("}")
    emit("")
    emit("}  // namespace quorl")
    print("\n".join(out))


if __name__ == "__main__":
    main()
