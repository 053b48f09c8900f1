#!/usr/bin/env python3
"""Writes the 32 x 32 two-colour cursor images of the drawing view and the pen
editor, and the 16 x 15 button images of the pen editor's toolbar, as XPM files.

Run once when an image changes; the images are kept in src/res/cursors and
src/res/toolbar.
"""
import math
import os
import sys

SIZE = 32


def disc(diameter, fill, rim):
    """A disc `diameter` dots across centred on (16, 16) with a one-dot rim."""
    r = diameter / 2.0
    grid = [[' '] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - 16, y - 16)
            if d < r - 1:
                grid[y][x] = fill
            elif d < r:
                grid[y][x] = rim
    return grid


def from_rows(rows):
    grid = [[' '] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            grid[y][x] = {'#': '.', 'o': '+'}.get(c, ' ')
    return grid


# A pencil whose point is at (13, 23): body to the upper right.
PENCIL = [
    "",
    "",
    "",
    "",
    "",
    "",
    "                      ####",
    "                     #oooo#",
    "                    #oooo#",
    "                   #ooo#o#",
    "                  #ooo#o#",
    "                 #ooo#o#",
    "                #ooo#o#",
    "               #ooo#o#",
    "              #ooo#o#",
    "             #ooo#o#",
    "            #ooo#o#",
    "            ##o#o#",
    "            #o##o#",
    "            #oo##",
    "            ###",
    "            ##",
    "            #",
    "             #",
]

# An eraser block whose working corner is at (10, 19).
ERASER = [
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "                 #########",
    "                #ooooooo##",
    "               #ooooooo#o#",
    "              #ooooooo#oo#",
    "             #ooooooo#oo#",
    "            #ooooooo#oo#",
    "           #########oo#",
    "           #ooooooo#o#",
    "           #ooooooo##",
    "           #ooooooo#",
    "          ##########",
]


def crosshair():
    """A thin cross centred on (15, 15) with an open middle, outlined in white."""
    grid = [[' '] * SIZE for _ in range(SIZE)]
    for i in range(4, 27):
        if abs(i - 15) < 3:
            continue
        for a, b in ((i, 15), (15, i)):
            for ox, oy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                if grid[b + oy][a + ox] == ' ':
                    grid[b + oy][a + ox] = '+'
        for a, b in ((i, 15), (15, i)):
            grid[b][a] = '.'
    grid[15][15] = '.'
    return grid


# A paint bucket pouring to the left; the drip ends at (11, 21).
BUCKET = [
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "               #######",
    "              #ooooooo#",
    "             #o#######o#",
    "          ###############",
    "          ###ooooooooooo#",
    "          ###ooooooooooo#",
    "          ####ooooooooo#",
    "          ####ooooooooo#",
    "          ### #ooooooo#",
    "          ### #ooooooo#",
    "          ###  #ooooo#",
    "          ###  #######",
    "          ###",
    "          ###",
    "           #",
]


def write_xpm(path, name, grid, size=(SIZE, SIZE)):
    lines = [
        '/* XPM */',
        'static const char *%s[] = {' % name,
        '"%d %d 3 1",' % size,
        '"  c None",',
        '". c #000000",',
        '"+ c #FFFFFF",',
    ]
    for i, row in enumerate(grid):
        end = ',' if i < len(grid) - 1 else ''
        lines.append('"%s"%s' % (''.join(row), end))
    lines.append('};')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


TOOL_W, TOOL_H = 16, 15

# Button images of the pen editor's toolbar.
BUTTONS = {
    'pen': [
        "           ##",
        "          #oo#",
        "         #oo##",
        "        #oo#o#",
        "       #oo#o#",
        "      #oo#o#",
        "     #oo#o#",
        "    #oo#o#",
        "   #oo#o#",
        "   ##o#o#",
        "   #o###",
        "   #oo#",
        "   ###",
        "   ##",
        "   #",
    ],
    'eraser': [
        "",
        "",
        "        ########",
        "       #ooooo###",
        "      #ooooo#o#",
        "     #ooooo#o#",
        "    #ooooo#o#",
        "   #ooooo#o#",
        "  #########",
        "  #ooooo#o#",
        "  #ooooo##",
        "  #######",
        "",
        "",
        "",
    ],
    'line': [
        "",
        "             ##",
        "            ##",
        "           ##",
        "          ##",
        "         ##",
        "        ##",
        "       ##",
        "      ##",
        "     ##",
        "    ##",
        "   ##",
        "  ##",
        " ##",
        "",
    ],
    'fill': [
        "      ###",
        "     #ooo#",
        "    #o###o#",
        "   ##########",
        "   ##ooooooo#",
        "   ##ooooooo#",
        "   ###ooooo#",
        "   ###ooooo#",
        "   ## #ooo#",
        "   ## #####",
        "   ##",
        "   ##",
        "    #",
        "",
        "",
    ],
    'clear': [
        "  ##########",
        "  #oooooooo##",
        "  #oooooooo#o#",
        "  #oooooooo####",
        "  #o#ooooo#ooo#",
        "  #oo#ooo#oooo#",
        "  #ooo#o#ooooo#",
        "  #oooo#oooooo#",
        "  #ooo#o#ooooo#",
        "  #oo#ooo#oooo#",
        "  #o#ooooo#ooo#",
        "  #ooooooooooo#",
        "  #ooooooooooo#",
        "  #############",
        "",
    ],
    'open': [
        "",
        "",
        " ####",
        "#oooo#",
        "#ooooo#######",
        "#ooooooooooo#",
        "#ooo##########",
        "#oo#ooooooooo#",
        "#oo#oooooooo#",
        "#o#ooooooooo#",
        "#o#oooooooo#",
        "##ooooooooo#",
        "##oooooooo#",
        "###########",
        "",
    ],
    'save': [
        "",
        " #############",
        " #o#ooooooo#o#",
        " #o#ooooooo#o#",
        " #o#ooooooo#o#",
        " #o#########o#",
        " #ooooooooooo#",
        " #ooooooooooo#",
        " #o#########o#",
        " #o#ooooooo#o#",
        " #o#o###ooo#o#",
        " #o#o###ooo#o#",
        " #o#o###ooo#o#",
        " #############",
        "",
    ],
}


def from_rows_sized(rows, width, height):
    grid = [[' '] * width for _ in range(height)]
    for y, row in enumerate(rows[:height]):
        for x, c in enumerate(row[:width]):
            grid[y][x] = {'#': '.', 'o': '+'}.get(c, ' ')
    return grid


def main(out_dir, toolbar_dir):
    os.makedirs(out_dir, exist_ok=True)
    for cid, d in ((132, 10), (133, 20), (134, 30)):
        write_xpm(os.path.join(out_dir, '%d.xpm' % cid), 'pen%d' % d, disc(d + 2, '.', '+'))
    for cid, d in ((136, 10), (137, 20), (138, 30)):
        write_xpm(os.path.join(out_dir, '%d.xpm' % cid), 'eraser%d' % d, disc(d + 2, '+', '.'))
    write_xpm(os.path.join(out_dir, '144.xpm'), 'pencil', from_rows(PENCIL))
    write_xpm(os.path.join(out_dir, '145.xpm'), 'eraser_block', from_rows(ERASER))
    write_xpm(os.path.join(out_dir, '146.xpm'), 'bucket', from_rows(BUCKET))
    write_xpm(os.path.join(out_dir, '147.xpm'), 'crosshair', crosshair())
    os.makedirs(toolbar_dir, exist_ok=True)
    for name, rows in BUTTONS.items():
        write_xpm(os.path.join(toolbar_dir, 'pen_%s.xpm' % name), 'pen_%s' % name,
                  from_rows_sized(rows, TOOL_W, TOOL_H), (TOOL_W, TOOL_H))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/res/cursors',
         sys.argv[2] if len(sys.argv) > 2 else 'src/res/toolbar')
