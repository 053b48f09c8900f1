#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Draws the preview's specimen: the text at each chosen size, one block per
// size with its size above it, horizontal lines broken at the width given or
// vertical columns from right to left broken at the height given. Runs on
// any thread: everything it needs is in the job, and it reads the font files
// itself.
class CPreviewRenderer {
public:
    struct SJob {
        QString fontPath;
        QString sampleFacePath; // the sample face, for characters the font lacks
        bool sampleFaceForMissing = false;
        QString text;
        QList<int> sizes;
        bool vertical = false;
        int extent = 600; // the width to fill (horizontal) or the height (vertical), px
    };
    struct SPicture {
        QImage image; // null when the font could not be read
        QString message; // one line for the user; empty when all is well
        int missing = 0; // characters of the text the font lacks
    };

    static SPicture Render(const SJob& job);
};
