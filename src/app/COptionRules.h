#pragma once

#include "app/COptionValues.h"

#include <QString>
#include <optional>

// The checks and mappings of the options dialog, kept apart from the widgets
// so they can be tested without a window.
class COptionRules
{
public:
    static constexpr int kMinGrid = 1;
    static constexpr int kMaxGrid = 20;
    static constexpr int kMaxFolderBytes = 256;

    // The six canvas sizes in list order; -1 / no size for anything else.
    static int SizeIndexFor(int bmpSize);
    static std::optional<int> SizeForIndex(int index);

    // The grid count typed into its field, or the message that refuses it.
    struct GridResult
    {
        int value = 0;
        QString error;
    };
    static GridResult ParseGridSize(const QString& text);

    // Whether the folder takes at most 256 bytes of code page 932; a
    // character without a form there counts as two bytes.
    static bool FolderFits(const QString& folder);
    // The message that refuses a folder that does not fit, or an empty text
    // when it does.
    static QString CheckFolderLength(const QString& folder);
    static QString MissingFolderMessage();

    // Stroke folders compare with ASCII letters folded, as the byte-wise
    // comparison of code page 932 text does; other characters must match.
    static bool SameFolderIgnoringCase(const QString& a, const QString& b);

    // What an OK changed, item by item.
    struct Changes
    {
        bool bmpSize = false;
        bool doAndNext = false;
        bool gridSize = false;
        bool writeStrokeFile = false;
        bool strkFolderPath = false;
        bool nextMissing = false;
    };
    static Changes Compare(const COptionValues& before, const COptionValues& after);
};
