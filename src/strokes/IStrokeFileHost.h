#pragma once

#include "canvas/CPointAryAry2.h"

#include <QByteArray>
#include <QString>

// The view state a stroke file is written from and read into: the stroke
// folder, the current character (code-page-932 bytes), the vertical-writing
// check box, the canvas side and the stroke list.
class IStrokeFileHost
{
public:
    virtual ~IStrokeFileHost() = default;

    virtual QString StrokeFolder() const = 0;
    virtual QByteArray CurrentChar() const = 0;
    virtual void SetCurrentChar(const QByteArray& ch) = 0;
    virtual bool IsVerticalChecked() const = 0;
    // Sets the box's check from the program; raises no click.
    virtual void SetVerticalCheck(bool checked) = 0;
    virtual int BmpSize() const = 0;
    virtual CPointAryAry2& Strokes() = 0;
};
