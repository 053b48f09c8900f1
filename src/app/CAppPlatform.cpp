#include "app/CAppPlatform.h"

#include "app/CMainFrame.h"
#include "canvas/CQuilleryView.h"

#include <QGuiApplication>
#include <QScreen>

CAppPlatform::CAppPlatform() = default;

CAppPlatform::~CAppPlatform()
{
    DestroyMainWindow();
}

// Nothing needs starting before the font editor is driven; the step keeps
// its place for when the editor's connection does.
bool CAppPlatform::InitAutomation()
{
    return true;
}

QSize CAppPlatform::WorkArea() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

bool CAppPlatform::CreateMainWindow(const CViewSettings& settings, const CSettingsStore& store, CQuilleryDoc& doc)
{
    m_pFrame = std::make_unique<CMainFrame>(nullptr, settings);
    m_pFrame->AttachSettings(&store);
    m_pFrame->SetDocument(&doc);
    return m_pFrame->View()->OnCreate();
}

void CAppPlatform::ShowMainWindow()
{
    m_pFrame->showNormal();
    m_pFrame->repaint();
}

void CAppPlatform::FitFrameToCanvas()
{
    m_pFrame->View()->FitFrameToCanvas();
}

void CAppPlatform::ActivateMainWindow()
{
    if (!m_pFrame)
        return;
    if (m_pFrame->isMinimized())
        m_pFrame->showNormal();
    m_pFrame->raise();
    m_pFrame->activateWindow();
}

void CAppPlatform::DestroyMainWindow()
{
    m_pFrame.reset();
}
