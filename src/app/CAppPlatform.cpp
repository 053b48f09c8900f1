#include "app/CAppPlatform.h"

#include "app/CMainFrame.h"
#include "app/CWindowKeeper.h"
#include "canvas/CQuilleryView.h"

#include <QCoreApplication>

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
    m_pFrame->WindowKeeper().RestoreFrame();
    m_pFrame->showNormal();
    m_pFrame->repaint();
}

// A canvas larger than last time may have pushed the window past the edge
// of the screen.
void CAppPlatform::FitFrameToCanvas()
{
    m_pFrame->View()->FitFrameToCanvas();
    CWindowKeeper::KeepInside(m_pFrame.get());
}

void CAppPlatform::EndOnSignal()
{
    if (m_pFrame)
        m_pFrame->EndOnSignal();
    else
        QCoreApplication::quit();
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
