#pragma once

#include "fonteditor/CDib.h"

#include <QString>

class IMessageBox;

// The one document: the folder of the bitmap templates beside the program and
// the bitmap of the current canvas size, into which the canvas is copied
// before a glyph goes to the editor.
class CQuilleryDoc
{
public:
    // applicationDir: the folder the executable lives in.
    CQuilleryDoc(const QString& applicationDir, IMessageBox& messages);

    const QString& SystemFolder() const { return m_strSystemFolder; }
    QString TemplatePath(int size) const;

    // Reads the template of the given canvas side. False when it cannot be
    // opened or is damaged; the reason has been shown.
    bool LoadTemplate(int size);
    // Writes the bitmap as a BMP file into a work file (not synced to disk);
    // false, after a message, when it cannot be opened or written whole.
    bool WriteDibFile(const QString& path);

    // Paper in every byte of the pixels, as the canvas is after a clear.
    void ClearDib();

    CDib& Dib() { return m_dib; }
    const CDib& Dib() const { return m_dib; }

private:
    QString m_strSystemFolder;
    IMessageBox& m_messages;
    CDib m_dib;
};
