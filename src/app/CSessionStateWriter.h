#pragma once

#include "app/CSettingsStore.h"

#include <QObject>
#include <QTimer>

#include <functional>

// Keeps the state of the run on disk while the run goes on, so that a crash
// or a logout loses neither the character and the tip the user was at nor
// the font they were drawing into. The values the end of a run stores are
// stored a moment after they change as well: a burst of changes (a held
// Ctrl+PageDown, strokes, a toggle) becomes one write of just the values that
// differ from what the file holds, in one replacement of the file. The font
// in use is stored at once, when a glyph has gone into a font other than the
// stored one.
class CSessionStateWriter : public QObject
{
    Q_OBJECT

public:
    using Values = QList<CSettingsStore::SValue>;
    // The values as they are now, in the settings section.
    using Source = std::function<Values()>;
    static constexpr int kDelayMs = 1000;

    CSessionStateWriter(const CSettingsStore& store, Source current, int delayMs = kDelayMs);

    // What the file holds at the start: only values that differ from these
    // are written.
    void SetStored(const Values& stored, const QString& fontFilePath);
    // Something may have changed: the values are compared and written once
    // the changes have paused for the delay.
    void NoteChanged();
    // Writes now what differs and cancels the wait.
    void Flush();
    bool IsPending() const { return m_timer.isActive(); }
    // A glyph went into the font of this file (empty for a font without
    // one); it becomes FontFilePath when it differs from the stored one.
    void StoreFontInUse(const QString& path);

private:
    const CSettingsStore& m_store;
    Source m_current;
    QTimer m_timer;
    Values m_stored;
    QString m_strFontFilePath;
    bool m_bFontKnown = false;
};
