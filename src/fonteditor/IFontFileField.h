#pragma once

#include <QString>

// The font file field of the main window: the path of the .ttf file the
// editor opens when it has no font open.
class IFontFileField {
public:
    virtual ~IFontFileField() = default;

    virtual QString GetFontFilePathText() const = 0;
    virtual void SetFontFilePathText(const QString& text) = 0;
};
