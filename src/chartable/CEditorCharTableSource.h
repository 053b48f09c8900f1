#pragma once

#include "chartable/ICharTableSource.h"

#include <functional>

class CFontEditorSession;

// The table's questions put to the font editor of the drawing view's
// connection.
class CEditorCharTableSource : public ICharTableSource
{
public:
    CEditorCharTableSource(CFontEditorSession& session, std::function<QString()> strokeFolder);

    void Connect() override;
    bool Attach() override;
    CSourceAnswer GlyphCodes() override;
    CSourceAnswer GlyphOutline(quint16 code, bool vertical) override;
    CSourceAnswer Metrics() override;
    CSourceAnswer RemoveGlyph(quint16 code, bool vertical) override;
    QString StrokeFolder() const override { return m_strokeFolder(); }

    // The answer of a call to the editor: a member it lacks, a dispatch
    // error and a broken connection told apart, none of them shown here.
    static CSourceAnswer Answer(const std::function<QString()>& call);

private:
    CSourceAnswer Ask(const std::function<QString()>& call);

    CFontEditorSession& m_session;
    std::function<QString()> m_strokeFolder;
    bool m_bAttached = false;
};
