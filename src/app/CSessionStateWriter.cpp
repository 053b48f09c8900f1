#include "app/CSessionStateWriter.h"

#include "app/CViewSettings.h"

CSessionStateWriter::CSessionStateWriter(const CSettingsStore& store, Source current, int delayMs)
    : m_store(store)
    , m_current(std::move(current))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &CSessionStateWriter::Flush);
}

void CSessionStateWriter::SetStored(const Values& stored, const QString& fontFilePath)
{
    m_stored = stored;
    m_strFontFilePath = fontFilePath;
    m_bFontKnown = true;
}

void CSessionStateWriter::NoteChanged()
{
    m_timer.start();
}

// A value that cannot be written stays different from the stored one and is
// tried again at the next change.
void CSessionStateWriter::Flush()
{
    m_timer.stop();
    const Values now = m_current();
    Values changed;
    for (const CSettingsStore::SValue& value : now) {
        const auto stored = std::find_if(m_stored.cbegin(), m_stored.cend(),
                                         [&](const CSettingsStore::SValue& s) { return s.name == value.name; });
        if (stored == m_stored.cend() || *stored != value)
            changed.append(value);
    }
    if (changed.isEmpty() || !m_store.WriteValues(CViewSettings::kSection, changed))
        return;
    for (const CSettingsStore::SValue& value : changed) {
        const auto stored = std::find_if(m_stored.begin(), m_stored.end(),
                                         [&](const CSettingsStore::SValue& s) { return s.name == value.name; });
        if (stored == m_stored.end())
            m_stored.append(value);
        else
            *stored = value;
    }
}

void CSessionStateWriter::StoreFontInUse(const QString& path)
{
    if (m_bFontKnown && path == m_strFontFilePath)
        return;
    if (m_store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), path)) {
        m_strFontFilePath = path;
        m_bFontKnown = true;
    }
}
