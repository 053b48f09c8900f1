#pragma once

#include <QTextBrowser>
#include <memory>

class CChmArchive;

// A small window that shows the pages of the program's help file.
class CHelpWindow : public QTextBrowser
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* parent = nullptr);
    ~CHelpWindow() override;

    // Opens the help file and shows its first page; false when it cannot be
    // read.
    bool Open(const QString& helpPath);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::unique_ptr<CChmArchive> m_archive;
};
