#pragma once

#include <QString>

// What the program finds out about a font file by itself, before or beside
// the editor: whether it can be written where it is, tried for real (the
// folder's permission bits say nothing on a read-only mount, or to root),
// and, when the editor could not open it, whether it is a TrueType font at
// all.
class CFontFileCheck {
public:
    struct SWritePlace {
        enum class EProblem { None, Folder, File };
        EProblem problem = EProblem::None;
        // The folder or the file that refused.
        QString path;
        // The refusal in a few words ("読み取り専用"), from the actual error.
        QString cause;
        bool IsWritable() const { return problem == EProblem::None; }
    };

    // Tries the file where it is: a temporary file made (O_EXCL) and removed
    // in its folder, or in the nearest existing folder above it when its own
    // is not made yet; an existing file (a link: its target) opened for
    // writing without truncating it.
    static SWritePlace CheckWritable(const QString& fontPath);
    // "フォルダ…には書き込めません（読み取り専用）。"
    static QString RefusalText(const SWritePlace& place);

    // Why the file is not a TrueType font the editor can keep whole: a
    // sentence naming the file and the reason, or empty when it looks like
    // one (or cannot be read here either).
    static QString ContentProblem(const QString& fontPath);

    // The words for an errno value, as short as the parentheses of a message.
    static QString ErrorWords(int error, bool existingFile = false);
};
