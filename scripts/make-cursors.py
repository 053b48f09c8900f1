#!/usr/bin/env python3
"""Writes the 32 x 32 two-colour cursor images of the drawing view as XPM files.

Run once when a cursor changes; the images are kept in src/res/cursors.
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


def write_xpm(path, name, grid):
    lines = [
        '/* XPM */',
        'static const char *%s[] = {' % name,
        '"%d %d 3 1",' % (SIZE, SIZE),
        '"  c None",',
        '". c #000000",',
        '"+ c #FFFFFF",',
    ]
    for i, row in enumerate(grid):
        end = ',' if i < SIZE - 1 else ''
        lines.append('"%s"%s' % (''.join(row), end))
    lines.append('};')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for cid, d in ((132, 10), (133, 20), (134, 30)):
        write_xpm(os.path.join(out_dir, '%d.xpm' % cid), 'pen%d' % d, disc(d + 2, '.', '+'))
    for cid, d in ((136, 10), (137, 20), (138, 30)):
        write_xpm(os.path.join(out_dir, '%d.xpm' % cid), 'eraser%d' % d, disc(d + 2, '+', '.'))
    write_xpm(os.path.join(out_dir, '144.xpm'), 'pencil', from_rows(PENCIL))
    write_xpm(os.path.join(out_dir, '145.xpm'), 'eraser_block', from_rows(ERASER))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/res/cursors')
