"""The plainest good way to make a font from bitmaps with FontForge alone,
the yardstick for quillery-autocreate:

    fontforge -lang=py -script fontforge_pipeline.py BITMAP_FOLDER FONT.ttf

One FontForge process; for each bitmap U<code>.bmp (U<code>v.bmp for a
vertical form, left out here) the potrace program traces it to SVG with
-t 0, the outline is imported, rounded and its directions corrected, the
advance set; one generate at the end.
"""

import os
import subprocess
import sys
import tempfile

import fontforge


def main(folder, ttf):
    font = fontforge.font()
    font.encoding = "UnicodeFull"
    font.em = 1024
    font.ascent = 880
    font.descent = 144
    font.familyname = font.fullname = font.fontname = "Pipeline"
    work = tempfile.mkdtemp(prefix="ff-pipeline-")
    svg = os.path.join(work, "glyph.svg")
    for name in sorted(os.listdir(folder)):
        if not (name.startswith("U") and name.endswith(".bmp")) or name.endswith("v.bmp"):
            continue
        glyph = font.createChar(int(name[1:-4], 16))
        subprocess.run(["potrace", "-b", "svg", "-t", "0", "-o", svg, os.path.join(folder, name)], check=True)
        glyph.importOutlines(svg)
        glyph.round()
        glyph.correctDirection()
        glyph.width = 1024
    font.generate(ttf)
    os.unlink(svg) if os.path.exists(svg) else None
    os.rmdir(work)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
