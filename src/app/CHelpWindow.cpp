#include "app/CHelpWindow.h"

#include "app/CChmArchive.h"
#include "app/CWindowPlacement.h"

#include <QAction>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
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

    // The buttons sit in a strip above the page, kept free by the margin.
    m_pNavigation = new QToolBar(this);
    m_pNavigation->setObjectName(QStringLiteral("helpNavigation"));
    m_pNavigation->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* back = m_pNavigation->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("戻る"));
    QAction* forward = m_pNavigation->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("進む"));
    back->setObjectName(QStringLiteral("back"));
    forward->setObjectName(QStringLiteral("forward"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, this, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, this, &QTextBrowser::forward);
    connect(this, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(this, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    setViewportMargins(0, m_pNavigation->sizeHint().height(), 0, 0);
}

void CHelpWindow::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    const QRect inside = contentsRect();
    m_pNavigation->setGeometry(inside.left(), inside.top(), inside.width(), m_pNavigation->sizeHint().height());
}

void CHelpWindow::PlaceBeside(const QWidget* frame)
{
    const QScreen* screen = frame->screen();
    if (!screen)
        return;
    const QRect frameRect = frame->frameGeometry();
    const QSize decoration = frameGeometry().size() - size();
    const QRect place = CWindowPlacement::Beside(frameRect, size() + decoration, screen->availableGeometry());
    resize(place.size() - decoration);
    move(place.topLeft());
}

CHelpWindow::~CHelpWindow() = default;

bool CHelpWindow::Open(const QString& helpPath, const QString& page)
{
    auto archive = std::make_unique<CChmArchive>(helpPath);
    if (!archive->IsOpen() || !archive->Read(QStringLiteral("/index.html")))
        return false;
    const QString shown = archive->Read(QLatin1Char('/') + page) ? page : QStringLiteral("index.html");
    m_archive = std::move(archive);
    setSource(QUrl(QStringLiteral("%1:/%2").arg(QLatin1String(kScheme), shown)));
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
