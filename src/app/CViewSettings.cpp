#include "app/CViewSettings.h"

#include "app/CCharFieldRule.h"
#include "app/CSettingsStore.h"
#include "res/CommandIds.h"

#include <QList>

#include <algorithm>

namespace {

constexpr int kNarrowWorkArea = 574;
constexpr int kLowWorkArea = 640;
constexpr int kPenRowBytes = 8;
constexpr int kBarFirstRow = 28;
constexpr int kBarLastRow = 35;

bool ReadFlag(const CSettingsStore& store, const QString& name, bool& flag,
              const QString& section = CViewSettings::kSection)
{
    int32_t value = flag ? 1 : 0;
    if (!store.ReadRegDword(section, name, value))
        return false;
    flag = value != 0;
    return true;
}

// Bytes the character takes in Shift-JIS: ASCII and half-width katakana one,
// everything else two.
int ShiftJisBytes(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xFF61 && ch <= 0xFF9F))
        return 1;
    return 2;
}

} // namespace

CViewSettings::CViewSettings()
    : m_penBits(DefaultPenBits())
    , m_strFaceName(QStringLiteral("ＭＳ ゴシック"))
    , m_strChar(QStringLiteral("あ"))
{
}

int CViewSettings::DefaultBmpSize(QSize workArea)
{
    return workArea.width() < kNarrowWorkArea || workArea.height() < kLowWorkArea ? 448 : 512;
}

bool CViewSettings::IsOfferedSize(int side)
{
    switch (side) {
    case 128: case 160: case 192: case 256: case 448: case 512: return true;
    default: return false;
    }
}

QString CViewSettings::DefaultStrkFolderPath(const QString& documentsFolder)
{
    return documentsFolder + QStringLiteral("/ストロークファイル");
}

QByteArray CViewSettings::DefaultPenBits()
{
    QByteArray bits(kPenBytes, char(0xFF));
    for (int row = kBarFirstRow; row <= kBarLastRow; ++row)
        for (int col = 1; col < kPenRowBytes - 1; ++col)
            bits[row * kPenRowBytes + col] = 0;
    return bits;
}

QByteArray CViewSettings::PenBitsFromStored(const QByteArray& stored)
{
    QByteArray bits(kPenBytes, char(0xFF));
    const qsizetype n = std::min<qsizetype>(stored.size(), kPenBytes);
    std::copy(stored.cbegin(), stored.cbegin() + n, bits.begin());
    return bits;
}

QString CViewSettings::TruncateFaceName(const QString& name)
{
    int bytes = 0;
    qsizetype end = 0;
    for (char32_t ch : name.toUcs4()) {
        bytes += ShiftJisBytes(ch);
        if (bytes > kMaxFaceNameBytes)
            break;
        end += QChar::requiresSurrogates(ch) ? 2 : 1;
    }
    return name.left(end);
}

void CViewSettings::Read(const CSettingsStore& store, QSize workArea, const QString& documentsFolder)
{
    // The character field holds at most two bytes; a longer stored text
    // (or one the code page cannot hold) is not a character at all.
    QString storedChar;
    if (store.ReadRegString(kSection, QStringLiteral("Char"), storedChar) && CCharFieldRule::Accepts(storedChar))
        m_strChar = storedChar;
    if (store.ReadRegString(kSection, QStringLiteral("FaceName"), m_strFaceName))
        m_strFaceName = TruncateFaceName(m_strFaceName);
    int32_t value = m_nToolSize;
    if (store.ReadRegDword(kSection, QStringLiteral("ToolSize"), value))
        m_nToolSize = value;

    // A side the program does not offer would make an unusable canvas, so it
    // is treated like a missing one.
    value = 0;
    if (store.ReadRegDword(kSection, QStringLiteral("BmpSize"), value) && IsOfferedSize(value)) {
        m_nBmpSize = value;
    } else {
        m_nBmpSize = DefaultBmpSize(workArea);
        store.WriteRegDword(kSection, QStringLiteral("BmpSize"), m_nBmpSize);
    }

    ReadFlag(store, QStringLiteral("DoAndNext"), m_bDoAndNext);
    ReadFlag(store, QStringLiteral("ViewSample"), m_bViewSample);
    ReadFlag(store, QStringLiteral("ViewGrid"), m_bViewGrid);
    value = m_nGridSize;
    if (store.ReadRegDword(kSection, QStringLiteral("GridSize"), value))
        m_nGridSize = value;
    ReadFlag(store, QStringLiteral("WriteStrokeFile"), m_bWriteStrokeFile);
    m_strStrkFolderPath = DefaultStrkFolderPath(documentsFolder);
    store.ReadRegString(kSection, QStringLiteral("StrkFolderPath"), m_strStrkFolderPath);

    QByteArray stored;
    if (store.ReadRegBinary(kSection, QStringLiteral("BmpPenData"), stored))
        m_penBits = PenBitsFromStored(stored);
    ReadFlag(store, QStringLiteral("NextMissingAfterExecute"), m_bNextMissing, kPlanSection);
}

QList<CSettingsStore::SValue> CViewSettings::SessionValues() const
{
    return {
        {QStringLiteral("Char"), m_strChar},
        {QStringLiteral("FaceName"), TruncateFaceName(m_strFaceName)},
        {QStringLiteral("ToolSize"), int32_t(m_nToolSize)},
        {QStringLiteral("BmpPenData"), PenBitsFromStored(m_penBits)},
        {QStringLiteral("ViewSample"), int32_t(m_bViewSample ? 1 : 0)},
        {QStringLiteral("ViewGrid"), int32_t(m_bViewGrid ? 1 : 0)},
    };
}

void CViewSettings::WriteAtShutdown(const CSettingsStore& store) const
{
    store.WriteValues(kSection, SessionValues());
}

bool CViewSettings::IsViewCommand(int id)
{
    return id == cmd::ID_VIEW_SAMPLE || id == cmd::ID_VIEW_GRID;
}

bool CViewSettings::OnCommand(int id)
{
    if (id == cmd::ID_VIEW_SAMPLE)
        m_bViewSample = !m_bViewSample;
    else if (id == cmd::ID_VIEW_GRID)
        m_bViewGrid = !m_bViewGrid;
    else
        return false;
    return true;
}

CommandState CViewSettings::UpdateCommand(int id) const
{
    if (id == cmd::ID_VIEW_SAMPLE)
        return {true, m_bViewSample};
    if (id == cmd::ID_VIEW_GRID)
        return {true, m_bViewGrid};
    return {};
}

COptionValues CViewSettings::Options() const
{
    return {m_nBmpSize, m_bDoAndNext, m_nGridSize, m_bWriteStrokeFile, m_strStrkFolderPath, m_bNextMissing};
}

COptionRules::Changes CViewSettings::ApplyOptions(const COptionValues& chosen, const CSettingsStore* store)
{
    const COptionRules::Changes changes = COptionRules::Compare(Options(), chosen);
    auto storeDword = [store](const char* name, int value) {
        if (store)
            store->WriteRegDword(kSection, QString::fromLatin1(name), value);
    };
    if (changes.doAndNext) {
        m_bDoAndNext = chosen.doAndNext;
        storeDword("DoAndNext", m_bDoAndNext ? 1 : 0);
    }
    if (changes.gridSize) {
        m_nGridSize = chosen.gridSize;
        storeDword("GridSize", m_nGridSize);
    }
    if (changes.writeStrokeFile) {
        m_bWriteStrokeFile = chosen.writeStrokeFile;
        storeDword("WriteStrokeFile", m_bWriteStrokeFile ? 1 : 0);
    }
    if (changes.strkFolderPath) {
        m_strStrkFolderPath = chosen.strkFolderPath;
        if (store)
            store->WriteRegString(kSection, QStringLiteral("StrkFolderPath"), m_strStrkFolderPath);
    }
    if (changes.nextMissing) {
        m_bNextMissing = chosen.nextMissing;
        if (store)
            store->WriteRegDword(kPlanSection, QStringLiteral("NextMissingAfterExecute"), m_bNextMissing ? 1 : 0);
    }
    return changes;
}
