#pragma once

#include <QString>
#include <QStringList>

// kakasi, which reads Japanese text out in Latin letters (Hepburn). It is
// asked as the font editor asks it, with the same options, so that a name
// reads the same in the window, on the command line and in the editor.
class CKakasi {
public:
    explicit CKakasi(QString program = QStringLiteral("kakasi"));

    // kakasi's reading of each piece (text without line breaks), asked at
    // once with one piece a line; empty readings when kakasi is not there,
    // fails, takes longer than kBoundMs or answers with another number of
    // lines.
    QStringList Read(const QStringList& pieces) const;

    static constexpr int kBoundMs = 5'000;

private:
    QString m_program;
};
