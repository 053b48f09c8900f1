#include "fonteditor/CGlyphsmithTypeface.h"

QString CGlyphsmithTypeface::GetFilePath() const
{
    return InvokeHelper(DISPID_FilePath, EInvokeKind::PropertyGet).ToString();
}

qint16 CGlyphsmithTypeface::GetPreservedValue() const
{
    return InvokeHelper(DISPID_PreservedValue, EInvokeKind::PropertyGet).ToShort();
}

void CGlyphsmithTypeface::SetPreservedValue(qint16 nValue) const
{
    InvokeHelper(DISPID_PreservedValue, EInvokeKind::PropertyPut, { CDispValue::Short(nValue) });
}

void CGlyphsmithTypeface::SelectGlyph(qint16 nKind, qint32 nCharCode, bool bVertical) const
{
    InvokeHelper(DISPID_SelectGlyph, EInvokeKind::Method,
        { CDispValue::Short(nKind), CDispValue::Long(nCharCode), CDispValue::Bool(bVertical) });
}

void CGlyphsmithTypeface::GlyphStep1() const
{
    InvokeHelper(DISPID_GlyphStep1, EInvokeKind::Method);
}
void CGlyphsmithTypeface::GlyphStep2() const
{
    InvokeHelper(DISPID_GlyphStep2, EInvokeKind::Method);
}
void CGlyphsmithTypeface::GlyphStep4() const
{
    InvokeHelper(DISPID_GlyphStep4, EInvokeKind::Method);
}

void CGlyphsmithTypeface::ImportBitmap(const QString& bmpPath) const
{
    InvokeHelper(DISPID_ImportBitmap, EInvokeKind::Method, { CDispValue::String(bmpPath) });
}

void CGlyphsmithTypeface::Save() const
{
    InvokeHelper(DISPID_Save, EInvokeKind::Method, {}, ECallBound::Long);
}

void CGlyphsmithTypeface::SaveAs(const QString& path) const
{
    InvokeHelper(DISPID_SaveAs, EInvokeKind::Method, { CDispValue::String(path) }, ECallBound::Long);
}

CDispValue CGlyphsmithTypeface::InvokeLater(
    EDispId dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound) const
{
    if (m_missing.contains(dispId))
        throw CMissingMember(dispId);
    try {
        return InvokeHelper(dispId, kind, args, bound);
    } catch (const CAutomationFailure& e) {
        if (!e.IsAnswered())
            throw;
        m_missing.insert(dispId);
        throw CMissingMember(dispId);
    }
}

QString CGlyphsmithTypeface::GetGlyphCodes() const
{
    return InvokeLater(DISPID_GlyphCodes, EInvokeKind::PropertyGet).ToString();
}

QString CGlyphsmithTypeface::GetGlyphOutline(qint32 nCharCode, bool bVertical) const
{
    return InvokeLater(DISPID_GlyphOutline, EInvokeKind::Method,
        { CDispValue::Long(nCharCode), CDispValue::Bool(bVertical) })
        .ToString();
}

void CGlyphsmithTypeface::RemoveGlyph(qint32 nCharCode, bool bVertical) const
{
    InvokeLater(DISPID_RemoveGlyph, EInvokeKind::Method, { CDispValue::Long(nCharCode), CDispValue::Bool(bVertical) });
}

void CGlyphsmithTypeface::SaveCopy(const QString& path) const
{
    InvokeLater(DISPID_SaveCopy, EInvokeKind::Method, { CDispValue::String(path) }, ECallBound::Long);
}

QString CGlyphsmithTypeface::GetFamilyName() const
{
    return InvokeLater(DISPID_FamilyName, EInvokeKind::PropertyGet).ToString();
}
void CGlyphsmithTypeface::SetFamilyName(const QString& name) const
{
    InvokeLater(DISPID_FamilyName, EInvokeKind::PropertyPut, { CDispValue::String(name) });
}
QString CGlyphsmithTypeface::GetFamilyNameJa() const
{
    return InvokeLater(DISPID_FamilyNameJa, EInvokeKind::PropertyGet).ToString();
}
void CGlyphsmithTypeface::SetFamilyNameJa(const QString& name) const
{
    InvokeLater(DISPID_FamilyNameJa, EInvokeKind::PropertyPut, { CDispValue::String(name) });
}
QString CGlyphsmithTypeface::GetFontVersion() const
{
    return InvokeLater(DISPID_FontVersion, EInvokeKind::PropertyGet).ToString();
}
void CGlyphsmithTypeface::SetFontVersion(const QString& version) const
{
    InvokeLater(DISPID_FontVersion, EInvokeKind::PropertyPut, { CDispValue::String(version) });
}
QString CGlyphsmithTypeface::GetCopyright() const
{
    return InvokeLater(DISPID_Copyright, EInvokeKind::PropertyGet).ToString();
}
void CGlyphsmithTypeface::SetCopyright(const QString& copyright) const
{
    InvokeLater(DISPID_Copyright, EInvokeKind::PropertyPut, { CDispValue::String(copyright) });
}

QString CGlyphsmithTypeface::GetMetrics() const
{
    return InvokeLater(DISPID_Metrics, EInvokeKind::PropertyGet).ToString();
}

qint32 CGlyphsmithTypeface::GetRecoveredGlyphs() const
{
    return InvokeLater(DISPID_RecoveredGlyphs, EInvokeKind::PropertyGet).ToLong();
}

QString CGlyphsmithTypeface::GetRecoveryNotice() const
{
    return InvokeLater(DISPID_RecoveryNotice, EInvokeKind::PropertyGet).ToString();
}
