#pragma once

#include <QString>
#include <QStringList>

class IFontCachePlatform;
class IMessageBox;

// Installs a font file for the user: a copy in the user's font folder, found
// by every program once fontconfig's cache is refreshed. A font is the same
// font as one installed before when its file has the same name or its family
// has the same name; the earlier copy is replaced, never kept beside the new
// one. The copy is written under a temporary name and renamed, so a full disk
// or a crash never leaves half a font where programs look for fonts.
class CFontInstaller {
public:
    CFontInstaller(IFontCachePlatform& platform, IMessageBox& messages, QString fontsFolder = DefaultFontsFolder());

    // $XDG_DATA_HOME/fonts, normally ~/.local/share/fonts.
    static QString DefaultFontsFolder();

    // Reports the outcome either way; true when the font is installed and
    // fontconfig knows it.
    bool Install(const QString& fontFile);

    QString InstalledPath() const { return m_strInstalledPath; }
    // The family names of the font installed last, the English one first.
    QStringList Families() const { return m_families; }

private:
    bool CopyInto(const QString& source, const QString& target);
    void RemoveEarlierCopies(const QString& target);
    void Fail(const QString& reason);

    IFontCachePlatform& m_platform;
    IMessageBox& m_messages;
    QString m_strFolder;
    QString m_strInstalledPath;
    QStringList m_families;
};
