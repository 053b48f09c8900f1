#include "app/CMyApp.h"

#include "app/CSettingsStore.h"
#include "app/IAppPlatform.h"
#include "app/IMessageBox.h"

CMyApp::CMyApp(const CSettingsStore& store, IMessageBox& messages, IAppPlatform& platform, Folders folders)
    : m_store(store)
    , m_messages(messages)
    , m_platform(platform)
    , m_folders(std::move(folders))
    , m_instance(m_folders.runtime)
    , m_doc(m_folders.application, messages)
{
    connect(&m_instance, &CSingleInstance::ActivateRequested, this, [this] { m_platform.ActivateMainWindow(); });
}

bool CMyApp::InitInstance()
{
    if (!m_instance.Acquire()) {
        m_messages.ShowMessage(QStringLiteral("Quilleryは既に起動されています。"));
        m_instance.AskRunningCopyToActivate();
        return false;
    }
    if (!m_platform.InitAutomation()) {
        m_messages.ShowMessage(QStringLiteral("OLE の初期化に失敗しました。OLE ﾗｲﾌﾞﾗﾘが正しいﾊﾞｰｼﾞｮﾝのものか確認してください。"));
        return false;
    }
    if (!CreateDocument())
        return false;
    MarkFirstOperation();
    m_platform.ShowMainWindow();
    m_platform.FitFrameToCanvas();
    return true;
}

// The view reads its settings as it is made; the document then loads the
// template of the canvas side those settings chose.
bool CMyApp::CreateDocument()
{
    m_settings.Read(m_store, m_platform.WorkArea(), m_folders.documents);
    if (!m_platform.CreateMainWindow(m_settings, m_store, m_doc))
        return false;
    return m_doc.LoadTemplate(m_settings.m_nBmpSize);
}

void CMyApp::MarkFirstOperation()
{
    int32_t first = 0;
    m_store.ReadRegDword(CViewSettings::kSection, QStringLiteral("FirstOperation"), first);
    if (first == 0)
        m_store.WriteRegDword(CViewSettings::kSection, QStringLiteral("FirstOperation"), 1);
}

void CMyApp::ExitInstance()
{
    m_instance.Release();
}
