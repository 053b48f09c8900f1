#pragma once

#include <QTextBrowser>
#include <memory>

class CChmArchive;
class QToolBar;

// A small window that shows the pages of the program's help file, with
// buttons to go back and forward through the pages seen (as Alt+Left and
// Alt+Right do).
class CHelpWindow : public QTextBrowser
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* parent = nullptr);
    ~CHelpWindow() override;

    // Opens the help file and shows a page of it (the first page when the
    // one asked for is not there); false when it cannot be read.
    bool Open(const QString& helpPath, const QString& page = QStringLiteral("index.html"));

    QVariant loadResource(int type, const QUrl& name) override;

    // Moves the window beside the main window, inside the screen's work area.
    void PlaceBeside(const QWidget* frame);
    QToolBar* NavigationBar() const { return m_pNavigation; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolBar* m_pNavigation = nullptr;
    std::unique_ptr<CChmArchive> m_archive;
};
