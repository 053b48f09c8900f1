#pragma once

#include "fonteditor/CDispatchDriver.h"

#include <QString>

// A font open in the font editor.
class CGlyphsmithTypeface : public CDispatchDriver {
public:
    enum EDispId {
        DISPID_FilePath = 2,
        DISPID_PreservedValue = 7,
        DISPID_SelectGlyph = 17,
        DISPID_Save = 20,
        DISPID_GlyphStep1 = 29,
        DISPID_GlyphStep4 = 31,
        DISPID_GlyphStep2 = 37,
        DISPID_ImportBitmap = 39,
        DISPID_SaveAs = 40,
    };
    // SelectGlyph refuses a character code the font cannot take with this code.
    static constexpr quint16 kBadCharCode = 2006;

    QString GetFilePath() const;
    qint16 GetPreservedValue() const;
    void SetPreservedValue(qint16 nValue) const;
    void SelectGlyph(qint16 nKind, qint32 nCharCode, bool bVertical) const;
    void GlyphStep1() const;
    void GlyphStep2() const;
    void ImportBitmap(const QString& bmpPath) const;
    void GlyphStep4() const;
    void Save() const;
    void SaveAs(const QString& path) const;
};
