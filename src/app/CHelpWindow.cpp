#include "app/CHelpWindow.h"

#include "app/CChmArchive.h"

#include <QUrl>

namespace {

constexpr auto kScheme = "chm";

} // namespace

CHelpWindow::CHelpWindow(QWidget* parent)
    : QTextBrowser(parent)
{
    setWindowTitle(QStringLiteral("Quillery ヘルプ"));
    setWindowFlag(Qt::Window);
    setOpenExternalLinks(false);
    resize(560, 520);
}

CHelpWindow::~CHelpWindow() = default;

bool CHelpWindow::Open(const QString& helpPath)
{
    auto archive = std::make_unique<CChmArchive>(helpPath);
    if (!archive->IsOpen() || !archive->Read(QStringLiteral("/index.html")))
        return false;
    m_archive = std::move(archive);
    setSource(QUrl(QStringLiteral("%1:/index.html").arg(QLatin1String(kScheme))));
    return true;
}

QVariant CHelpWindow::loadResource(int type, const QUrl& name)
{
    if (m_archive && name.scheme() == QLatin1String(kScheme)) {
        if (const auto data = m_archive->Read(name.path()))
            return type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource
                ? QVariant(QString::fromUtf8(*data))
                : QVariant(*data);
        return {};
    }
    return QTextBrowser::loadResource(type, name);
}
