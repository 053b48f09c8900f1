#pragma once

#include <QHash>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>

class CSettingsStore;
class QWidget;

// Puts the program's windows on the screens there are: the main window where
// the user left it, each tool window where the user last put it or, the first
// time, beside the main window; always inside a screen's work area, so that
// none opens over the canvas or off the bottom of the screen. Where the user
// puts each window is remembered when it is hidden and when the program ends.
class CWindowKeeper : public QObject
{
    Q_OBJECT

public:
    static inline const QString kMainWindow = QStringLiteral("MainWindow");

    // store may be null: windows are then placed but nothing is remembered.
    CWindowKeeper(QWidget* frame, const CSettingsStore* store);

    void SetStore(const CSettingsStore* store) { m_pStore = store; }
    // The main window where it was left, before it is first shown; the first
    // time, or when that place is on no screen now, at the left of the
    // screen.
    void RestoreFrame();
    // Moves a shown window back inside its screen's work area (after the
    // main window took the size of a larger canvas).
    static void KeepInside(QWidget* window);
    // A tool window, placed when it is first shown. Without a name the
    // window keeps its place itself (restored before it shows): it is only
    // put beside the main window when it has none, and kept on a screen.
    void Keep(QWidget* window, const QString& name);
    // Remembers the places of the main window and of the tool windows seen.
    void RememberAll();

    // The outer frame a window has, or will have once it is shown, in
    // desktop coordinates.
    QRect OuterFrame(const QWidget* window) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place(QWidget* window);
    void Remember(QWidget* window, const QString& name);
    QMargins Margins(const QWidget* window) const;
    void MoveTo(QWidget* window, const QRect& outer) const;

    QWidget* m_pFrame;
    const CSettingsStore* m_pStore;
    QHash<QObject*, QString> m_names;
    QSet<QObject*> m_placed;
    QList<QPointer<QWidget>> m_windows;
    // Until the window manager has framed the main window.
    bool m_bFrameWatched = false;
};
