#pragma once

#include <QString>

class QIODevice;
class IMessageBox;
class IStrokeFileHost;

// Writes the current character's strokes to its stroke file and reads a
// stroke file back into the view state, with the messages the user sees.
class CStrokeFileStore
{
public:
    CStrokeFileStore(IStrokeFileHost& host, IMessageBox& messages);

    // The stroke folder, "/", then "U" and the character's UTF-16 code in
    // four upper-case hex digits, "縦" for the vertical form, ".stk".
    QString StrokeFilePath() const;
    // Writes the stroke list, asking first to create a missing folder. Every
    // failure has been shown when it returns; a good file already in place
    // is only ever replaced by a complete new one.
    void SaveStrokeFile();
    // Reads the file: sets the current character and the vertical check and
    // appends the strokes, scaled to the current canvas side. On a failure it
    // shows one message and returns false, keeping what was already applied.
    bool LoadStrokeFile(const QString& path);
    // The reading part of LoadStrokeFile, from a device open for reading;
    // `path` only names the file in the messages.
    bool ReadStrokeFile(QIODevice& device, const QString& path);
    // The UTF-16 unit the last file read holds for its character, also when
    // it has no code page 932 form (the current character is empty then).
    quint16 LastCharUnit() const { return m_nLastUnit; }

private:
    bool EnsureFolder();

    IStrokeFileHost& m_host;
    IMessageBox& m_messages;
    quint16 m_nLastUnit = 0;
};
