#include "preview/CPreviewScheduler.h"

CPreviewScheduler::CPreviewScheduler(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kPauseMs);
    connect(&m_timer, &QTimer::timeout, this, &CPreviewScheduler::OnPause);
}

void CPreviewScheduler::FontChanged()
{
    m_timer.start();
}

void CPreviewScheduler::OnPause()
{
    m_timer.stop();
    if (m_busy && m_busy()) {
        m_timer.start();
        return;
    }
    emit RefreshWanted();
}
