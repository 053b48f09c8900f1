#pragma once

#include "canvas/IDrawingHost.h"

#include <QMap>

class FakeDrawingHost : public IDrawingHost
{
public:
    void RepaintNow() override { ++repaints; }
    void Invalidate() override { ++invalidations; }
    bool HasStatusBar() const override { return statusBar; }
    void SetStatusPaneText(int pane, const QString& text) override { panes[pane] = text; }
    void ShowPenEditor() override { ++penEditorShown; }

    bool statusBar = true;
    int repaints = 0;
    int invalidations = 0;
    int penEditorShown = 0;
    QMap<int, QString> panes;
};
