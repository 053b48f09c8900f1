#pragma once

#include "app/CQuilleryDoc.h"
#include "app/CSingleInstance.h"
#include "app/CViewSettings.h"

#include <QObject>

class CSettingsStore;
class IAppPlatform;
class IMessageBox;

// The program's start and end: one copy only, the settings, the document and
// the main window, in that order; any failure ends the program before its
// window shows.
class CMyApp : public QObject
{
    Q_OBJECT

public:
    struct Folders
    {
        QString runtime;     // lock and socket of the single copy
        QString application; // the executable's folder, with system/
        QString documents;   // the user's documents folder
    };

    CMyApp(const CSettingsStore& store, IMessageBox& messages, IAppPlatform& platform, Folders folders);

    // True to run the event loop, false to end at once.
    bool InitInstance();
    void ExitInstance();

    CQuilleryDoc& Doc() { return m_doc; }
    const CViewSettings& Settings() const { return m_settings; }
    bool HoldsInstance() const { return m_instance.IsHeld(); }

private:
    bool CreateDocument();
    void MarkFirstOperation();

    const CSettingsStore& m_store;
    IMessageBox& m_messages;
    IAppPlatform& m_platform;
    Folders m_folders;
    CSingleInstance m_instance;
    CViewSettings m_settings;
    CQuilleryDoc m_doc;
};
