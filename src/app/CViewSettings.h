#pragma once

#include "app/COptionRules.h"
#include "app/COptionValues.h"
#include "app/CSettingsStore.h"

#include "canvas/CommandState.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// The preferences the drawing view keeps in memory for the whole run, read
// once when the view is made and written back when it goes away. The defaults
// below are what a value gets when it is missing or unreadable; a stored
// empty text is used as it is.
class CViewSettings
{
public:
    static inline const QString kSection = QStringLiteral("Settings");
    // Settings of the plan the user works through, apart from the others.
    static inline const QString kPlanSection = QStringLiteral("CharPlan");
    static constexpr int kDefaultToolSize = 2;
    static constexpr int kDefaultGridSize = 3;
    static constexpr int kPenBytes = 512;
    // Face names hold at most this many bytes of Shift-JIS text.
    static constexpr int kMaxFaceNameBytes = 31;

    CViewSettings();

    // Reads every value in the order the view needs them. A missing or
    // unusable BmpSize is derived from the work area and written at once.
    void Read(const CSettingsStore& store, QSize workArea, const QString& documentsFolder);
    // The values the end of a run stores (in one replacement of the file),
    // which are also kept while the run goes on: the character, the face,
    // the tip with the user pen, the sample and the grid.
    QList<CSettingsStore::SValue> SessionValues() const;
    void WriteAtShutdown(const CSettingsStore& store) const;

    // The options dialog's values, and taking them after OK: every value
    // that changed except the canvas side (which rebuilds the canvas) is
    // taken and stored. Gives what changed, the side included.
    COptionValues Options() const;
    COptionRules::Changes ApplyOptions(const COptionValues& chosen, const CSettingsStore* store);

    // Showing the sample and the grid; false for any other command.
    bool OnCommand(int id);
    CommandState UpdateCommand(int id) const;
    static bool IsViewCommand(int id);

    // 448 when the work area is less than 574 wide or 640 high, else 512.
    static int DefaultBmpSize(QSize workArea);
    static bool IsOfferedSize(int side);
    static QString DefaultStrkFolderPath(const QString& documentsFolder);
    // The built-in user pen: a 48 x 8 bar in the middle of the 64 x 64 tip.
    static QByteArray DefaultPenBits();
    // Paper first, then at most 512 stored bytes over its start.
    static QByteArray PenBitsFromStored(const QByteArray& stored);
    // The longest start of the name that fits in 31 bytes of Shift-JIS,
    // never splitting a character.
    static QString TruncateFaceName(const QString& name);

    int m_nBmpSize = 512;
    int m_nToolSize = kDefaultToolSize;
    QByteArray m_penBits;
    bool m_bViewSample = true;
    bool m_bViewGrid = false;
    int m_nGridSize = kDefaultGridSize;
    bool m_bDoAndNext = false;
    bool m_bWriteStrokeFile = false;
    QString m_strStrkFolderPath;
    bool m_bNextMissing = false;
    QString m_strFaceName;
    QString m_strChar;
};
