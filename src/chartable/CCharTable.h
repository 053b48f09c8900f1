#pragma once

#include "chartable/CCharSets.h"
#include "chartable/CFontMetrics.h"
#include "fonteditor/CGlyphOutline.h"

#include <QCache>
#include <QHash>
#include <QList>
#include <QSet>
#include <optional>

class CCharPlan;
class ICharTableSource;
class IMessageBox;

// What the character table knows and decides: which characters of each set
// the font has a glyph for (the editor is the truth), which have a stroke
// file (the folder listing is), the counts, the filters, the outlines of the
// cells in view, and removing glyphs. The window only paints it and passes
// the user's actions on.
class CCharTable
{
public:
    enum class EFilter { All, Missing, StrokeOnly };
    enum class EGlyphInfo { Known, NoFont, Lacking, Damaged, Failed };
    struct Counts
    {
        int glyphs = 0;
        int strokeFiles = 0;
        // The characters that can be made; those the code page lacks are
        // counted apart.
        int total = 0;
        int uncoded = 0;
    };
    // Outlines kept at once; a screen full of the smallest cells is far less.
    static constexpr int kOutlineCacheSize = 1500;

    // The plan holds the set chosen and the lists of the sets.
    CCharTable(ICharTableSource& source, CCharPlan& plan);

    // Reads the glyph list, the metrics and the stroke folder afresh, and
    // tries again a dictionary that could not be read.
    void Reload();
    void SetSet(ECharSet set);
    ECharSet Set() const;
    CCharPlan& Plan() { return m_plan; }
    // The user's own text was changed; its cells are made anew.
    void OwnTextChanged();
    void SetFilter(EFilter filter);
    EFilter Filter() const { return m_filter; }
    static QString FilterName(EFilter filter);

    // The cells shown: the set through the filter as of the last Reload,
    // SetSet or SetFilter. A cell whose state changes later stays in place,
    // so that what was just drawn does not jump out of view.
    const QList<CCharCell>& Cells() const { return m_cells; }
    int RowOf(CCharCell cell) const { return m_rows.value(cell.Key(), -1); }

    EGlyphInfo GlyphInfo() const { return m_glyphInfo; }
    bool GlyphsKnown() const { return m_glyphInfo == EGlyphInfo::Known; }
    // The one line that says why only the stroke files are shown; empty
    // while the glyphs are known.
    QString StatusLine() const;
    Counts CountsOf(ECharSet set) const;
    // "作成済み 1,234 / 2,965", or the stroke files while the glyphs are
    // unknown; with the share of ordinary text a kanji set covers, or the
    // share of the user's text the font can write.
    QString CountText() const;
    // How far the font has come, 0 to 1000: done characters, or for the
    // user's text the occurrences it can write.
    int Progress() const;
    // What the chosen set cannot give (no dictionary, no text, characters
    // outside the code page); empty when there is nothing to say.
    QString PlanNote() const;
    bool HasGlyph(CCharCell cell) const { return m_glyphs.contains(cell.Key()); }
    bool HasStrokeFile(CCharCell cell) const { return m_strokeFiles.contains(cell.Key()); }
    // The outline of a cell that has a glyph, asked for the first time it
    // is needed and then kept in a bounded cache; null when there is none
    // to draw (no glyph, a damaged answer, an editor without the member).
    const CGlyphOutline* Outline(CCharCell cell);
    // The outline if it has been fetched already; never asks the editor.
    const CGlyphOutline* CachedOutline(CCharCell cell) const;
    // Whether the cell has a glyph whose outline has not been asked for.
    bool NeedsOutline(CCharCell cell) const;
    const CFontMetrics& Metrics() const { return m_metrics; }

    // The work may have changed a character's glyph or stroke file; asked
    // again at the next ApplyPending.
    void NoteChanged(CCharCell cell);
    bool HasPending() const { return !m_pending.isEmpty(); }
    // Asks about every noted cell; gives the cells whose look may differ.
    QList<CCharCell> ApplyPending();

    // Removes the glyphs of the selected cells that have one, after one
    // question; an upright cell takes its vertical form with it. Gives the
    // cells that changed.
    QList<CCharCell> RemoveGlyphs(const QList<CCharCell>& selected, IMessageBox& messages);
    QList<CCharCell> Removable(const QList<CCharCell>& selected) const;

    // The stroke file's cell from its name ("U3042.stk", "U3042縦.stk").
    static std::optional<CCharCell> CellOfStrokeFile(const QString& name);
    static QString StrokeFileName(CCharCell cell);
    // The character as text.
    static QString CharText(CCharCell cell);

private:
    void ReadGlyphs();
    void ReadStrokeFiles();
    void Rebuild();
    bool Shown(CCharCell cell) const;
    void CacheOutline(CCharCell cell, const QString& text);
    QString RemoveQuestion(const QList<CCharCell>& removable) const;

    ICharTableSource& m_source;
    CCharPlan& m_plan;
    EFilter m_filter = EFilter::All;
    EGlyphInfo m_glyphInfo = EGlyphInfo::NoFont;
    bool m_bOutlinesLacking = false;
    CFontMetrics m_metrics;
    QSet<quint32> m_glyphs;
    QSet<quint32> m_strokeFiles;
    QSet<quint32> m_pending;
    QList<CCharCell> m_cells;
    QHash<quint32, int> m_rows;
    // A cached answer of nothing stands for a glyph with a damaged outline,
    // so that it is not asked for again at every paint.
    QCache<quint32, std::optional<CGlyphOutline>> m_outlines {kOutlineCacheSize};
};
