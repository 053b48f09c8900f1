#pragma once

#include "app/IFrameFields.h"

#include <functional>

// The dialog bar's fields kept in memory, for a run without a window. A new
// character text is reported like a change the user typed.
class CMemoryFrameFields : public IFrameFields
{
public:
    void SetCharChanged(std::function<void()> changed) { m_charChanged = std::move(changed); }

    QString GetFontFilePathText() const override { return m_strFontFilePath; }
    void SetFontFilePathText(const QString& text) override { m_strFontFilePath = text; }
    QString GetCharText() const override { return m_strChar; }
    void SetCharText(const QString& text) override;
    bool IsVerticalChecked() const override { return m_bVertical; }
    void SetVerticalCheck(bool checked) override { m_bVertical = checked; }
    void EnableVertical(bool enable) override;

private:
    QString m_strFontFilePath;
    QString m_strChar;
    bool m_bVertical = false;
    bool m_bVerticalEnabled = false;
    std::function<void()> m_charChanged;
};
