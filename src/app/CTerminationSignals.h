#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (a desktop logout, a service manager), SIGHUP (the terminal went
// away) and SIGINT (Ctrl+C) end the program as closing its window does, so
// that the font and the settings are saved on the way out. The handler itself
// only writes the signal's number to a socket pair, which is all a signal
// handler may safely do; the event loop reads it and emits Received. One
// instance at a time; its destruction puts the default handling back.
class CTerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // False when the socket pair or a handler could not be set up; the
    // signals then end the program at once, as without this class.
    bool IsInstalled() const { return m_bInstalled; }

signals:
    void Received(int signal);

private:
    void Drain();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_pNotifier = nullptr;
    bool m_bInstalled = false;
};
