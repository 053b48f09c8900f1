#pragma once

#include <QString>

// The fields of the main window's dialog bar as the rest of the program sees
// them: the font file path, the character and the vertical-writing box.
class IFrameFields
{
public:
    virtual ~IFrameFields() = default;

    virtual QString GetFontFilePathText() const = 0;
    virtual void SetFontFilePathText(const QString& text) = 0;
    virtual QString GetCharText() const = 0;
    // The change reaches the view like a change the user typed.
    virtual void SetCharText(const QString& text) = 0;
    virtual bool IsVerticalChecked() const = 0;
    virtual void SetVerticalCheck(bool checked) = 0;
    // Disabling also unchecks the box.
    virtual void EnableVertical(bool enable) = 0;
};
