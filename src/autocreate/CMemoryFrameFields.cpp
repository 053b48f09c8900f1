#include "autocreate/CMemoryFrameFields.h"

void CMemoryFrameFields::SetCharText(const QString& text)
{
    if (text == m_strChar)
        return;
    m_strChar = text;
    if (m_charChanged)
        m_charChanged();
}

void CMemoryFrameFields::EnableVertical(bool enable)
{
    if (!enable)
        m_bVertical = false;
    m_bVerticalEnabled = enable;
}
