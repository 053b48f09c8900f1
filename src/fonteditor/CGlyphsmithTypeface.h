#pragma once

#include "fonteditor/CDispatchDriver.h"

#include "fonteditor/CAutomationFailure.h"

#include <QSet>
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
        // Members added later; an editor may lack them (see Lacks).
        DISPID_GlyphCodes = 100,
        DISPID_GlyphOutline = 101,
        DISPID_RemoveGlyph = 102,
        DISPID_SaveCopy = 103,
        DISPID_FamilyName = 104,
        DISPID_FamilyNameJa = 105,
        DISPID_FontVersion = 106,
        DISPID_Copyright = 107,
        DISPID_Metrics = 108,
        DISPID_RecoveredGlyphs = 109,
        DISPID_RecoveryNotice = 110,
    };
    // SelectGlyph refuses a character code the font cannot take with this code.
    static constexpr quint16 kBadCharCode = 2006;
    // A change that could not be made durable was not made.
    static constexpr quint16 kNotRecorded = 2015;

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

    // The later members throw CMissingMember when the editor answers that it
    // does not have them; the driver remembers that and Lacks() says so from
    // then on without asking the editor again.
    QString GetGlyphCodes() const;
    QString GetGlyphOutline(qint32 nCharCode, bool bVertical) const;
    void RemoveGlyph(qint32 nCharCode, bool bVertical) const;
    void SaveCopy(const QString& path) const;
    QString GetFamilyName() const;
    void SetFamilyName(const QString& name) const;
    QString GetFamilyNameJa() const;
    void SetFamilyNameJa(const QString& name) const;
    QString GetFontVersion() const;
    void SetFontVersion(const QString& version) const;
    QString GetCopyright() const;
    void SetCopyright(const QString& copyright) const;
    QString GetMetrics() const;
    qint32 GetRecoveredGlyphs() const;
    QString GetRecoveryNotice() const;

    bool Lacks(EDispId dispId) const { return m_missing.contains(dispId); }

private:
    CDispValue InvokeLater(
        EDispId dispId, EInvokeKind kind, const QList<CDispValue>& args = {}, ECallBound bound = ECallBound::Normal) const;

    mutable QSet<int> m_missing;
};

// A member numbered from 100 that the attached editor does not have.
class CMissingMember : public CAutomationFailure {
public:
    explicit CMissingMember(int dispId)
        : CAutomationFailure(QStringLiteral("the font editor has no member %1").arg(dispId))
        , m_nDispId(dispId)
    {
    }
    int DispId() const { return m_nDispId; }

private:
    int m_nDispId;
};
