#include "fonteditor/CGlyphsmithApplication.h"

QString CGlyphsmithApplication::GetVersion() const
{
    return InvokeHelper(DISPID_Version, EInvokeKind::PropertyGet).ToString();
}

void CGlyphsmithApplication::SetStartFlag(bool bStarted) const
{
    InvokeHelper(DISPID_StartFlag, EInvokeKind::PropertyPut, { CDispValue::Bool(bStarted) });
}

std::shared_ptr<IDispatchObject> CGlyphsmithApplication::GetActiveFont() const
{
    return InvokeHelper(DISPID_ActiveFont, EInvokeKind::PropertyGet).ToObject();
}

std::shared_ptr<IDispatchObject> CGlyphsmithApplication::NewFont(qint16 nKind, bool bShow) const
{
    return InvokeHelper(DISPID_NewFont, EInvokeKind::Method, { CDispValue::Short(nKind), CDispValue::Bool(bShow) })
        .ToObject();
}

std::shared_ptr<IDispatchObject> CGlyphsmithApplication::OpenFont(const QString& path, const CDispValue& options) const
{
    return InvokeHelper(DISPID_OpenFont, EInvokeKind::Method, { CDispValue::String(path), options }, ECallBound::Long)
        .ToObject();
}

void CGlyphsmithApplication::GlyphStep3() const
{
    InvokeHelper(DISPID_GlyphStep3, EInvokeKind::Method);
}

void CGlyphsmithApplication::SetBatchMode(bool bBatch) const
{
    InvokeHelper(DISPID_BatchMode, EInvokeKind::PropertyPut, { CDispValue::Bool(bBatch) });
}
