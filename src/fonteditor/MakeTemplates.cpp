// Build tool: writes the blank one-bit bitmap templates, one per canvas side,
// into the folder given on the command line.
#include "fonteditor/CDib.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder))
        return 1;
    for (int side : {128, 160, 192, 256, 448, 512}) {
        QSaveFile file(QStringLiteral("%1/%2.bin").arg(folder).arg(side));
        if (!file.open(QIODevice::WriteOnly) || file.write(CDib::BlankOneBitFile(side, side)) < 0 || !file.flush()
            || !file.commit()) {
            std::fprintf(stderr, "cannot write the template of side %d\n", side);
            return 1;
        }
    }
    return 0;
}
