#!/usr/bin/env python3
"""Writes the 16 x 15 toolbar button images as XPM files.

Each image is drawn below as text, one character a dot: '.' transparent,
'#' black, 'g' grey, 'b' blue, 'r' red, 'w' white, 'G' green.
Run once when an image changes; the images are kept in src/res/toolbar.
"""
import math
import os
import sys

W, H = 16, 15
COLOURS = {
    '.': 'None', '#': '#000000', 'g': '#808080', 'b': '#0000FF',
    'r': '#C00000', 'w': '#FFFFFF', 'G': '#008000',
}

IMAGES = {
    # undo: an arrow turning back to the left
    'undo': [
        "................",
        "................",
        "...#............",
        "..##............",
        ".#########......",
        "###########.....",
        ".##########b....",
        "..##......##b...",
        "...#.......##...",
        "............##..",
        "............##..",
        "............##..",
        "...........##...",
        "..........##....",
        "................",
    ],
    # execute: a green arrow into a glyph box
    'execute': [
        "................",
        "..........######",
        "..........#wwww#",
        "....G.....#w##w#",
        "....GG....#w#ww#",
        "GGGGGGG...#w##w#",
        "GGGGGGGG..#w#ww#",
        "GGGGGGG...#w##w#",
        "....GG....#wwww#",
        "....G.....######",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
    'prevchar': [
        "................",
        "................",
        "......#.....#...",
        ".....##....##...",
        "....###...###...",
        "...####..####...",
        "..#####.#####...",
        ".###########....",
        "..#####.#####...",
        "...####..####...",
        "....###...###...",
        ".....##....##...",
        "......#.....#...",
        "................",
        "................",
    ],
    # sample: a blue outline of a character
    'sample': [
        "................",
        ".......bb.......",
        "......b..b......",
        "......b..b......",
        ".....b....b.....",
        ".....b....b.....",
        "....b..bb..b....",
        "....b.b..b.b....",
        "...b..bbbb..b...",
        "...b........b...",
        "..b...bbbb...b..",
        "..b..b....b..b..",
        ".b..b......b..b.",
        ".bbbb......bbbb.",
        "................",
    ],
    'grid': [
        "gggggggggggggggg",
        "g....g....g....g",
        "g....g....g....g",
        "g....g....g....g",
        "g....g....g....g",
        "gggggggggggggggg",
        "g....g....g....g",
        "g....g....g....g",
        "g....g....g....g",
        "gggggggggggggggg",
        "g....g....g....g",
        "g....g....g....g",
        "g....g....g....g",
        "g....g....g....g",
        "gggggggggggggggg",
    ],
    # context help: an arrow with a question mark
    'contexthelp': [
        "#...............",
        "##.........bbb..",
        "#w#.......b...b.",
        "#ww#..........b.",
        "#www#........b..",
        "#wwww#......b...",
        "#wwwww#.....b...",
        "#wwww###........",
        "#w#ww#......b...",
        "##.#ww#.........",
        "#..#ww#.........",
        "....#ww#........",
        "....#ww#........",
        ".....##.........",
        "................",
    ],
    'pen': [
        "...........###..",
        "..........#rrr#.",
        ".........#rrr##.",
        "........#www#.#.",
        ".......#www#.#..",
        "......#www#.#...",
        ".....#www#.#....",
        "....#www#.#.....",
        "...#www#.#......",
        "..##ww#.#.......",
        "..#.###.#.......",
        ".#...####.......",
        ".##.###.........",
        ".####...........",
        "................",
    ],
    'eraser': [
        "................",
        "................",
        "........#######.",
        ".......#wwwwww##",
        "......#wwwwww#w#",
        ".....#wwwwww#ww#",
        "....#######www#.",
        "...#bbbbbb#ww#..",
        "..#bbbbbb#ww#...",
        ".#bbbbbb#w#.....",
        ".########.#.....",
        ".#bbbbbb##......",
        ".########.......",
        "................",
        "................",
    ],
    # the character table: a sheet of cells, some written, some still empty
    'chartable': [
        "################",
        "#wwww#wwww#wwww#",
        "#w##w#w#ww#wggw#",
        "#ww#w#w##w#wwgw#",
        "#w##w#w#ww#wggw#",
        "################",
        "#w#ww#wggw#wwww#",
        "#w##w#wgww#wggw#",
        "#w#ww#wggw#wwww#",
        "################",
        "#wwww#wwww#wwww#",
        "#wggw#wggw#wggw#",
        "#wwww#wwww#wwww#",
        "################",
        "................",
    ],
    # the next missing character: an arrow to a cell still empty
    'nextmissing': [
        "................",
        "................",
        "........bbbbbbbb",
        "#.......bwwwwwwb",
        "##......bwwwwwwb",
        "###.....bwwwwwwb",
        "####....bwwwwwwb",
        "#####...bwwwwwwb",
        "####....bwwwwwwb",
        "###.....bwwwwwwb",
        "##......bwwwwwwb",
        "#.......bwwwwwwb",
        "........bbbbbbbb",
        "................",
        "................",
    ],
    # the user-defined tip: a framed square holding a bar
    'userpen': [
        "................",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#ww########ww#.",
        ".#ww########ww#.",
        ".#ww########ww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        "................",
    ],
}


def mirrored(rows):
    return [row[::-1] for row in rows]


def disc(diameter):
    rows = []
    r = diameter / 2.0
    for y in range(H):
        row = ''
        for x in range(W):
            row += '#' if math.hypot(x - 7.5, y - 7) <= r else '.'
        rows.append(row)
    return rows


def write_xpm(path, name, rows):
    assert len(rows) == H and all(len(r) == W for r in rows), name
    used = sorted({c for r in rows for c in r})
    lines = ['/* XPM */', 'static const char *%s[] = {' % name, '"%d %d %d 1",' % (W, H, len(used))]
    lines += ['"%s c %s",' % (c, COLOURS[c]) for c in used]
    lines += ['"%s"%s' % (r, ',' if i < H - 1 else '') for i, r in enumerate(rows)]
    lines.append('};')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    images = dict(IMAGES)
    images['redo'] = mirrored(IMAGES['undo'])
    images['nextchar'] = mirrored(IMAGES['prevchar'])
    for name, d in (('tip10', 3.2), ('tip20', 4.6), ('tip30', 6.0), ('tip40', 7.4)):
        images[name] = disc(d)
    for name, rows in images.items():
        write_xpm(os.path.join(out_dir, name + '.xpm'), name, rows)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/res/toolbar')
