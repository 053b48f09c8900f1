#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// When the preview follows the work: once the font has not changed for a
// short pause, so that a burst of changes (a batch run, Execute with the move
// to the next character) costs one refresh. While a batch run goes on the
// refresh waits for it, since asking the editor for a copy between two
// characters would only slow the run down.
class CPreviewScheduler : public QObject {
    Q_OBJECT

public:
    static constexpr int kPauseMs = 500;

    explicit CPreviewScheduler(QObject* parent = nullptr);

    // True while the refresh should wait (a batch run).
    void SetBusy(std::function<bool()> busy) { m_busy = std::move(busy); }

    // The font changed: the refresh comes a pause after the last change.
    void FontChanged();
    // The pause has passed; public so that tests need not wait for it.
    void OnPause();
    bool IsWaiting() const { return m_timer.isActive(); }

signals:
    void RefreshWanted();

private:
    QTimer m_timer;
    std::function<bool()> m_busy;
};
