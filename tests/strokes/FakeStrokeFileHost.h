#pragma once

#include "strokes/IStrokeFileHost.h"

// View state held in plain members.
class FakeStrokeFileHost : public IStrokeFileHost
{
public:
    QString StrokeFolder() const override { return folder; }
    QByteArray CurrentChar() const override { return ch; }
    void SetCurrentChar(const QByteArray& c) override { ch = c; }
    bool IsVerticalChecked() const override { return vertical; }
    void SetVerticalCheck(bool checked) override { vertical = checked; }
    int BmpSize() const override { return size; }
    CPointAryAry2& Strokes() override { return strokes; }

    QString folder;
    QByteArray ch = QByteArray("\x82\xa0"); // あ
    bool vertical = false;
    int size = 512;
    CPointAryAry2 strokes;
};
