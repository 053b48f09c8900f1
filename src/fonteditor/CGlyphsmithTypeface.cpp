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
