#include "fonteditor/CRestartReport.h"

#include "app/IMessageBox.h"
#include "chartable/CCharSets.h"
#include "chartable/CGlyphCodes.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/CGlyphsmithTypeface.h"
#include "res/CStringTable.h"
#include "res/NumberText.h"
#include "strokes/CodePage932.h"

#include <algorithm>
#include <utility>

using M = CStringTable::EMessage;

CRestartReport::CRestartReport(IMessageBox& messages, std::function<void(const QString&)> reportError)
    : m_messages(messages)
    , m_reportError(std::move(reportError))
{
}

void CRestartReport::NoteWritten(qint32 charCode, bool bVertical)
{
    // Kept as the editor's list reads back: the one code of each character.
    const quint16 code = CCharSets::CanonicalCode(static_cast<quint16>(charCode & 0xFFFF));
    if (code != 0)
        m_written.insert(CCharCell { code, bVertical }.Key());
}

void CRestartReport::ReportOpened(const CGlyphsmithTypeface& font, bool batch, bool deferTelling)
{
    if (std::exchange(m_bEditorLost, false))
        ReportRestart(font, batch, deferTelling);
    else
        ReportEarlierRun(font);
}

void CRestartReport::ReportEarlierRun(const CGlyphsmithTypeface& font)
{
    qint32 recovered = 0;
    QString notice;
    try {
        recovered = font.GetRecoveredGlyphs();
        notice = font.GetRecoveryNotice();
    } catch (const std::exception&) {
        // An editor without a journal has nothing to tell; a failure here is
        // met again by the call that follows.
    }
    QStringList lines;
    if (recovered > 0)
        lines << QStringLiteral("前回保存されずに終わった作業から、%1個の文字を復旧しました。")
                     .arg(NumberText(recovered));
    if (!notice.trimmed().isEmpty())
        lines << notice.trimmed();
    if (!lines.isEmpty())
        m_messages.ShowInformation(lines.join(u'\n'));
}

// The font opened again is the one the glyphs went into, or another one the
// user meanwhile named: only for the same font can the editor tell which
// glyphs came back.
void CRestartReport::ReportRestart(const CGlyphsmithTypeface& font, bool batch, bool deferTelling)
{
    QString current;
    QString notice;
    qint32 recovered = 0;
    try {
        current = font.GetFilePath();
        recovered = font.GetRecoveredGlyphs();
    } catch (const std::exception&) {
    }
    try {
        notice = font.GetRecoveryNotice().trimmed();
    } catch (const std::exception&) {
    }
    const bool sameFont
        = (current.isEmpty() && m_strWrittenFont.isEmpty()) || CFontPath::IsSameFile(current, m_strWrittenFont);
    const std::optional<QSet<quint32>> lost = sameFont ? LostGlyphs(font) : std::nullopt;
    QString text;
    if (lost && !lost->isEmpty())
        text = CStringTable::Message(M::EditorRestartedLost).arg(GlyphList(*lost));
    else if (lost || recovered == 0)
        text = CStringTable::Message(M::EditorRestarted);
    else
        text = CStringTable::Message(M::EditorRestartedRecovered).arg(NumberText(recovered));
    if (!notice.isEmpty())
        text += u'\n' + notice;
    const bool glyphsLost = lost && !lost->isEmpty();
    StartFont(current);
    if (batch) {
        if (!m_batchNotes.lines.contains(text))
            m_batchNotes.lines << text;
        m_batchNotes.bGlyphsLost = m_batchNotes.bGlyphsLost || glyphsLost;
        return;
    }
    m_notice = { text, glyphsLost };
    // The glyph that is tried again comes first: the user hears once how
    // both went.
    if (!deferTelling)
        Tell();
}

void CRestartReport::Tell()
{
    const auto [text, glyphsLost] = TakeNotice();
    if (text.isEmpty())
        return;
    if (glyphsLost)
        m_reportError(text);
    else
        m_messages.ShowInformation(text);
}

std::optional<QSet<quint32>> CRestartReport::LostGlyphs(const CGlyphsmithTypeface& font) const
{
    if (m_written.isEmpty())
        return QSet<quint32>();
    std::optional<QSet<quint32>> present;
    try {
        present = CGlyphCodes::Parse(font.GetGlyphCodes());
    } catch (const std::exception&) {
    }
    if (!present)
        return std::nullopt;
    QSet<quint32> lost = m_written;
    lost.subtract(*present);
    return lost;
}

QString CRestartReport::GlyphList(const QSet<quint32>& keys)
{
    QList<quint32> sorted(keys.begin(), keys.end());
    std::sort(sorted.begin(), sorted.end(), [](quint32 a, quint32 b) {
        const CCharCell x = CCharCell::FromKey(a), y = CCharCell::FromKey(b);
        return std::pair(x.code, x.vertical) < std::pair(y.code, y.vertical);
    });
    QString list;
    for (const quint32 key : sorted) {
        const CCharCell cell = CCharCell::FromKey(key);
        const QString ch = Cp932ToString(CharFromCode(cell.code));
        list += cell.vertical ? QStringLiteral("「%1（縦書き）」").arg(ch) : QStringLiteral("「%1」").arg(ch);
    }
    return list;
}
