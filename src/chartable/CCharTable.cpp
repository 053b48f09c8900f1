#include "chartable/CCharTable.h"

#include "app/IMessageBox.h"
#include "chartable/CCharPlan.h"
#include "chartable/CGlyphCodes.h"
#include "chartable/ICharTableSource.h"
#include "strokes/CodePage932.h"
#include "strokes/PathHelpers.h"
#include "res/NumberText.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

const QString kVerticalMark = QString::fromUtf8("縦");

// Whole percent, rounded down so that 100% means everything.
int Percent(double share)
{
    return static_cast<int>(share * 100 + 1e-9);
}

} // namespace

CCharTable::CCharTable(ICharTableSource& source, CCharPlan& plan) : m_source(source), m_plan(plan)
{
    Rebuild();
}

ECharSet CCharTable::Set() const
{
    return m_plan.Set();
}

void CCharTable::Reload()
{
    m_plan.Retry();
    m_pending.clear();
    m_outlines.clear();
    ReadGlyphs();
    ReadStrokeFiles();
    Rebuild();
}

void CCharTable::ReadGlyphs()
{
    using S = CSourceAnswer::EStatus;
    m_glyphs.clear();
    m_bOutlinesLacking = false;
    m_metrics = CFontMetrics();
    if (!m_source.Attach()) {
        m_glyphInfo = EGlyphInfo::NoFont;
        return;
    }
    const CSourceAnswer answer = m_source.GlyphCodes();
    switch (answer.status) {
    case S::NoFont: m_glyphInfo = EGlyphInfo::NoFont; return;
    case S::Lacking: m_glyphInfo = EGlyphInfo::Lacking; return;
    case S::Failed: m_glyphInfo = EGlyphInfo::Failed; return;
    case S::Ok: break;
    }
    const auto glyphs = CGlyphCodes::Parse(answer.text);
    if (!glyphs) {
        m_glyphInfo = EGlyphInfo::Damaged;
        return;
    }
    m_glyphs = *glyphs;
    m_glyphInfo = EGlyphInfo::Known;
    // Without metrics the outlines are placed as in a new font.
    const CSourceAnswer metrics = m_source.Metrics();
    if (metrics.Ok())
        m_metrics = CFontMetrics::Parse(metrics.text).value_or(CFontMetrics());
}

void CCharTable::ReadStrokeFiles()
{
    m_strokeFiles.clear();
    const QDir dir(RemoveTrailingBackslash(m_source.StrokeFolder()));
    const QStringList names =
        dir.entryList({QStringLiteral("*.stk")}, QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::NoSort);
    for (const QString& name : names) {
        if (const auto cell = CellOfStrokeFile(name))
            m_strokeFiles.insert(cell->Key());
    }
}

// A character the code page lacks is never missing: it cannot be made.
bool CCharTable::Shown(CCharCell cell) const
{
    if (!GlyphsKnown() || m_filter == EFilter::All)
        return true;
    if (!cell.IsCoded())
        return false;
    switch (m_filter) {
    case EFilter::All: return true;
    case EFilter::Missing: return !HasGlyph(cell);
    case EFilter::StrokeOnly: return !HasGlyph(cell) && HasStrokeFile(cell);
    }
    return true;
}

void CCharTable::Rebuild()
{
    m_cells.clear();
    m_rows.clear();
    for (const CCharCell& cell : m_plan.Cells(Set())) {
        if (!Shown(cell))
            continue;
        m_rows.insert(cell.Key(), static_cast<int>(m_cells.size()));
        m_cells.append(cell);
    }
}

void CCharTable::SetSet(ECharSet set)
{
    m_plan.SetSet(set);
    Rebuild();
}

void CCharTable::OwnTextChanged()
{
    if (Set() == ECharSet::OwnText)
        Rebuild();
}

void CCharTable::SetFilter(EFilter filter)
{
    m_filter = filter;
    Rebuild();
}

QString CCharTable::FilterName(EFilter filter)
{
    switch (filter) {
    case EFilter::All: return QStringLiteral("すべての文字");
    case EFilter::Missing: return QStringLiteral("未作成の文字");
    case EFilter::StrokeOnly: return QStringLiteral("ストロークファイルだけある文字");
    }
    return {};
}

QString CCharTable::StatusLine() const
{
    const QString tail = QStringLiteral("ため、ストロークファイルの有無だけを表示しています。");
    switch (m_glyphInfo) {
    case EGlyphInfo::Known: return {};
    case EGlyphInfo::NoFont: return QStringLiteral("Glyphsmithでフォントが開かれていない") + tail;
    case EGlyphInfo::Lacking: return QStringLiteral("このGlyphsmithには文字一覧に必要な機能がない") + tail;
    case EGlyphInfo::Damaged: return QStringLiteral("Glyphsmithの答えが読み取れない") + tail;
    case EGlyphInfo::Failed: return QStringLiteral("Glyphsmithとのやりとりに失敗した") + tail;
    }
    return {};
}

CCharTable::Counts CCharTable::CountsOf(ECharSet set) const
{
    Counts counts;
    for (const CCharCell& cell : m_plan.Cells(set)) {
        if (!cell.IsCoded()) {
            ++counts.uncoded;
            continue;
        }
        ++counts.total;
        counts.glyphs += HasGlyph(cell) ? 1 : 0;
        counts.strokeFiles += HasStrokeFile(cell) ? 1 : 0;
    }
    return counts;
}

QString CCharTable::CountText() const
{
    const Counts counts = CountsOf(Set());
    if (!m_plan.IsAvailable(Set()))
        return QStringLiteral("一覧がありません");
    if (!GlyphsKnown())
        return QStringLiteral("ストロークファイル %1 / %2").arg(NumberText(counts.strokeFiles), NumberText(counts.total));
    QString text = QStringLiteral("作成済み %1 / %2").arg(NumberText(counts.glyphs), NumberText(counts.total));
    const auto done = [this](const CCharCell& cell) { return HasGlyph(cell); };
    if (Set() == ECharSet::OwnText)
        text += QStringLiteral("　この文章の %1% の文字が書けます").arg(Percent(m_plan.OwnText().Coverage(done)));
    else if (const std::optional<double> share = m_plan.WeightedShare(Set(), done))
        text += QStringLiteral("　使用頻度で重み付けすると %1%").arg(Percent(*share));
    return text;
}

int CCharTable::Progress() const
{
    const auto done = [this](const CCharCell& cell) { return GlyphsKnown() ? HasGlyph(cell) : HasStrokeFile(cell); };
    if (Set() == ECharSet::OwnText)
        return static_cast<int>(m_plan.OwnText().Coverage(done) * 1000);
    const Counts counts = CountsOf(Set());
    const int made = GlyphsKnown() ? counts.glyphs : counts.strokeFiles;
    return counts.total ? static_cast<int>(qint64(made) * 1000 / counts.total) : 0;
}

QString CCharTable::PlanNote() const
{
    if (!m_plan.IsAvailable(Set()))
        return m_plan.UnavailableText(Set());
    if (const int uncoded = m_plan.UncodedCount(Set()))
        return QStringLiteral("斜線のますの %1 文字はコードページ 932 (シフトJIS) にないため、Quillery では作れません。数に含めていません。")
            .arg(NumberText(uncoded));
    return {};
}

void CCharTable::CacheOutline(CCharCell cell, const QString& text)
{
    m_outlines.insert(cell.Key(), new std::optional<CGlyphOutline>(CGlyphOutline::Parse(text)));
}

bool CCharTable::NeedsOutline(CCharCell cell) const
{
    return GlyphsKnown() && !m_bOutlinesLacking && HasGlyph(cell) && !m_outlines.contains(cell.Key());
}

const CGlyphOutline* CCharTable::CachedOutline(CCharCell cell) const
{
    const std::optional<CGlyphOutline>* outline = m_outlines.object(cell.Key());
    return outline && *outline ? &**outline : nullptr;
}

const CGlyphOutline* CCharTable::Outline(CCharCell cell)
{
    if (!GlyphsKnown() || m_bOutlinesLacking || !HasGlyph(cell))
        return nullptr;
    if (!m_outlines.contains(cell.Key())) {
        const CSourceAnswer answer = m_source.GlyphOutline(cell.code, cell.vertical);
        if (answer.status == CSourceAnswer::EStatus::Lacking) {
            m_bOutlinesLacking = true;
            return nullptr;
        }
        // An editor that fails once is not asked again for every cell in
        // view, each of which could wait for it; a reload asks again.
        if (!answer.Ok()) {
            m_glyphInfo = answer.status == CSourceAnswer::EStatus::NoFont ? EGlyphInfo::NoFont : EGlyphInfo::Failed;
            return nullptr;
        }
        CacheOutline(cell, answer.text);
    }
    return CachedOutline(cell);
}

void CCharTable::NoteChanged(CCharCell cell)
{
    m_pending.insert(cell.Key());
}

QList<CCharCell> CCharTable::ApplyPending()
{
    QList<CCharCell> changed;
    if (m_pending.isEmpty())
        return changed;
    const QSet<quint32> pending = std::exchange(m_pending, {});
    // A glyph list that could not be read before may be readable now.
    if (!GlyphsKnown()) {
        Reload();
        return m_plan.Cells(Set());
    }
    const bool attached = m_source.Attach();
    const QString folder = AddTrailingBackslash(m_source.StrokeFolder());
    for (quint32 key : pending) {
        const CCharCell cell = CCharCell::FromKey(key);
        changed.append(cell);
        if (QFileInfo::exists(folder + StrokeFileName(cell)))
            m_strokeFiles.insert(key);
        else
            m_strokeFiles.remove(key);
        m_outlines.remove(key);
        const CSourceAnswer answer =
            attached ? m_source.GlyphOutline(cell.code, cell.vertical) : CSourceAnswer {CSourceAnswer::EStatus::NoFont, {}};
        if (!answer.Ok())
            continue;
        if (answer.text.trimmed().isEmpty()) {
            m_glyphs.remove(key);
        } else {
            m_glyphs.insert(key);
            CacheOutline(cell, answer.text);
        }
    }
    return changed;
}

QList<CCharCell> CCharTable::Removable(const QList<CCharCell>& selected) const
{
    QList<CCharCell> removable;
    if (!GlyphsKnown())
        return removable;
    for (const CCharCell& cell : selected) {
        if (HasGlyph(cell))
            removable.append(cell);
    }
    return removable;
}

QString CCharTable::RemoveQuestion(const QList<CCharCell>& removable) const
{
    if (removable.size() > 1)
        return QStringLiteral("選択した%1文字のグリフをフォントから削除しますか？").arg(NumberText(removable.size()));
    const CCharCell cell = removable.front();
    QString text = cell.vertical
        ? QStringLiteral("「%1」の縦書き用のグリフをフォントから削除しますか？").arg(CharText(cell))
        : QStringLiteral("「%1」のグリフをフォントから削除しますか？").arg(CharText(cell));
    if (!cell.vertical && HasGlyph({cell.code, true}))
        text += QStringLiteral("\n縦書き用のグリフも削除されます。");
    return text;
}

QList<CCharCell> CCharTable::RemoveGlyphs(const QList<CCharCell>& selected, IMessageBox& messages)
{
    QList<CCharCell> changed;
    const QList<CCharCell> removable = Removable(selected);
    if (removable.isEmpty() || !messages.AskYesNo(RemoveQuestion(removable)))
        return changed;
    if (!m_source.Attach()) {
        messages.ShowMessage(QStringLiteral("Glyphsmithでフォントが開かれていません。"));
        return changed;
    }
    for (const CCharCell& cell : removable) {
        const CSourceAnswer answer = m_source.RemoveGlyph(cell.code, cell.vertical);
        if (answer.status == CSourceAnswer::EStatus::Lacking) {
            messages.ShowMessage(QStringLiteral("このGlyphsmithにはグリフを削除する機能がありません。"));
            break;
        }
        if (!answer.Ok()) {
            messages.ShowMessage(QStringLiteral("「%1」のグリフを削除できませんでした。\n%2").arg(CharText(cell), answer.text));
            break;
        }
        // The upright glyph goes with its vertical form and substitution.
        QList<CCharCell> gone {cell};
        if (!cell.vertical)
            gone.append({cell.code, true});
        for (const CCharCell& g : gone) {
            m_glyphs.remove(g.Key());
            m_outlines.remove(g.Key());
            changed.append(g);
        }
    }
    return changed;
}

std::optional<CCharCell> CCharTable::CellOfStrokeFile(const QString& name)
{
    QStringView rest(name);
    if (!rest.startsWith(u'U') || !rest.endsWith(u".stk"))
        return std::nullopt;
    rest = rest.mid(1, rest.size() - 5);
    const bool vertical = rest.endsWith(kVerticalMark);
    if (vertical)
        rest.chop(kVerticalMark.size());
    if (rest.size() != 4)
        return std::nullopt;
    bool ok = false;
    const uint unit = rest.toUInt(&ok, 16);
    quint16 code = 0;
    // Digits as the program writes them, upper case, and a unit that is a
    // character of code page 932.
    if (!ok || rest.toString().toUpper() != rest || UnicodeToChar(static_cast<quint16>(unit), code) == 0)
        return std::nullopt;
    return CCharCell {code, vertical};
}

QString CCharTable::StrokeFileName(CCharCell cell)
{
    const QString unit = QStringLiteral("%1").arg(CharToUnicode(cell.code), 4, 16, QLatin1Char('0')).toUpper();
    return QLatin1Char('U') + unit + (cell.vertical ? kVerticalMark : QString()) + QStringLiteral(".stk");
}

QString CCharTable::CharText(CCharCell cell)
{
    if (!cell.IsCoded())
        return QString::fromUcs4(&cell.uncoded, 1);
    return Cp932ToString(CharFromCode(cell.code));
}
