#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class CGlyphsmithTypeface;
class IMessageBox;

// What the user hears after a font was opened or made: the work of an
// earlier run the editor brought back, or, after the editor was started
// again in this session, what became of the glyphs written before it
// stopped. To tell that, it keeps the glyphs written into the font since it
// was opened. During a batch run the news waits for the run's summary.
class CRestartReport {
public:
    struct SNotice {
        QString text;
        bool bGlyphsLost = false;
    };
    struct SBatchNotes {
        QStringList lines;
        bool bGlyphsLost = false;
    };

    // reportError shows a failure in front of the drawing window.
    CRestartReport(IMessageBox& messages, std::function<void(const QString&)> reportError);

    // The font glyphs go into from now on, with none written yet.
    void StartFont(const QString& path)
    {
        m_written.clear();
        m_strWrittenFont = path;
    }
    // The same font under another file.
    void MoveFont(const QString& path) { m_strWrittenFont = path; }
    const QString& WrittenFont() const { return m_strWrittenFont; }
    void NoteWritten(qint32 charCode, bool bVertical);
    qsizetype WrittenCount() const { return m_written.size(); }

    // The editor that had the font went away; the next font opened tells the
    // restart instead of the recovery of an earlier run.
    void NoteEditorLost() { m_bEditorLost = true; }
    bool IsEditorLost() const { return m_bEditorLost; }
    void ForgetEditorLost() { m_bEditorLost = false; }

    // Tells once, after font was opened or made, what the editor brought
    // back. A restart is kept for the batch run's summary, or, while the
    // glyph in flight may still be tried again (deferTelling), until Tell.
    void ReportOpened(const CGlyphsmithTypeface& font, bool batch, bool deferTelling);
    void Tell();
    SNotice TakeNotice() { return std::exchange(m_notice, {}); }

    void ResetBatchNotes() { m_batchNotes = {}; }
    SBatchNotes TakeBatchNotes() { return std::exchange(m_batchNotes, {}); }

    // 「あ」「ぁ（縦書き）」 in code order.
    static QString GlyphList(const QSet<quint32>& keys);

private:
    void ReportEarlierRun(const CGlyphsmithTypeface& font);
    void ReportRestart(const CGlyphsmithTypeface& font, bool batch, bool deferTelling);
    // The glyphs written before the editor stopped that the font does not
    // have now; none when the editor cannot tell.
    std::optional<QSet<quint32>> LostGlyphs(const CGlyphsmithTypeface& font) const;

    IMessageBox& m_messages;
    std::function<void(const QString&)> m_reportError;
    bool m_bEditorLost = false;
    SNotice m_notice;
    SBatchNotes m_batchNotes;
    // The glyphs (code, plus 0x10000 for a vertical form) written into the
    // font of m_strWrittenFont in this session.
    QSet<quint32> m_written;
    QString m_strWrittenFont;
};
