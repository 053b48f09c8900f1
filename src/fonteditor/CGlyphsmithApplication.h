#pragma once

#include "fonteditor/CDispatchDriver.h"

#include <QString>

// The font editor's application object.
class CGlyphsmithApplication : public CDispatchDriver {
public:
    enum EDispId {
        DISPID_Version = 4,
        DISPID_StartFlag = 7,
        DISPID_ActiveFont = 12,
        DISPID_NewFont = 13,
        DISPID_OpenFont = 14,
        DISPID_GlyphStep3 = 22,
        // Added later; an editor may lack it.
        DISPID_BatchMode = 111,
    };
    // OpenFont refuses a file it cannot keep whole or cannot read.
    static constexpr quint16 kFontRefused = 2013;
    // OpenFont, SaveAs and SaveCopy refuse a font file another editor holds.
    static constexpr quint16 kFontHeldElsewhere = 2014;

    QString GetVersion() const;
    void SetStartFlag(bool bStarted) const;
    // Each gives null when the editor has no such font.
    std::shared_ptr<IDispatchObject> GetActiveFont() const;
    std::shared_ptr<IDispatchObject> NewFont(qint16 nKind, bool bShow) const;
    std::shared_ptr<IDispatchObject> OpenFont(const QString& path, const CDispValue& options) const;
    void GlyphStep3() const;
    // Throws CAutomationFailure (answered) when the editor lacks it.
    void SetBatchMode(bool bBatch) const;
};
