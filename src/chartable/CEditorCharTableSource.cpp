#include "chartable/CEditorCharTableSource.h"

#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontEditorSession.h"

CEditorCharTableSource::CEditorCharTableSource(CFontEditorSession& session, std::function<QString()> strokeFolder)
    : m_session(session), m_strokeFolder(std::move(strokeFolder))
{
}

void CEditorCharTableSource::Connect()
{
    if (m_session.EnsureEditor())
        m_session.OpenFontInEditor(CFontEditorSession::EFontUse::Reading);
}

bool CEditorCharTableSource::Attach()
{
    m_bAttached = false;
    CGlyphsmithApplication* app = m_session.EditorApp();
    if (!app || !app->IsConnected())
        return false;
    try {
        auto font = app->GetActiveFont();
        if (!font)
            return false;
        m_session.EditorFont().AttachDispatch(std::move(font));
    } catch (const std::exception&) {
        return false;
    }
    m_bAttached = true;
    return true;
}

CSourceAnswer CEditorCharTableSource::Ask(const std::function<QString()>& call)
{
    if (!m_bAttached || !m_session.EditorFont().IsConnected())
        return {CSourceAnswer::EStatus::NoFont, {}};
    return Answer(call);
}

CSourceAnswer CEditorCharTableSource::Answer(const std::function<QString()>& call)
{
    using S = CSourceAnswer::EStatus;
    try {
        return {S::Ok, call()};
    } catch (const CMissingMember&) {
        return {S::Lacking, {}};
    } catch (const CDispatchException& e) {
        return {S::Failed, CFontEditorSession::FormatDispatchError(e)};
    } catch (const std::exception&) {
        return {S::Failed, QStringLiteral("エラーが発生しました")};
    }
}

CSourceAnswer CEditorCharTableSource::GlyphCodes()
{
    return Ask([this] { return m_session.EditorFont().GetGlyphCodes(); });
}

CSourceAnswer CEditorCharTableSource::GlyphOutline(quint16 code, bool vertical)
{
    return Ask([&] { return m_session.EditorFont().GetGlyphOutline(code, vertical); });
}

CSourceAnswer CEditorCharTableSource::Metrics()
{
    return Ask([this] { return m_session.EditorFont().GetMetrics(); });
}

CSourceAnswer CEditorCharTableSource::RemoveGlyph(quint16 code, bool vertical)
{
    CSourceAnswer answer = Ask([&] {
        m_session.EditorFont().RemoveGlyph(code, vertical);
        return QString();
    });
    if (answer.Ok())
        m_session.NoteFontChanged();
    return answer;
}
