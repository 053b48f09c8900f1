#include "preview/CPreviewWnd.h"

#include "app/CQtMessageBox.h"
#include "app/CSettingsStore.h"
#include "fonteditor/CFontEditorSession.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

CPreviewWnd::CPreviewWnd(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_services(services)
    , m_snapshot(services.session, services.automation, services.fontFileField)
{
    setWindowTitle(QStringLiteral("プレビュー"));
    if (m_services.store)
        m_settings.Read(*m_services.store);
    BuildControls();
    m_scheduler.SetBusy(m_services.busy);
    connect(&m_scheduler, &CPreviewScheduler::RefreshWanted, this, [this] {
        if (isVisible())
            Refresh();
        else
            m_bStale = true;
    });
    connect(&m_watcher, &QFutureWatcher<SOutcome>::finished, this, &CPreviewWnd::OnRendered);
    resize(720, 560);
}

CPreviewWnd::~CPreviewWnd()
{
    m_watcher.waitForFinished();
    m_services.session.SetEditorBusyElsewhere(false);
    if (m_services.store)
        m_settings.Write(*m_services.store);
}

void CPreviewWnd::BuildControls()
{
    m_pText = new QPlainTextEdit(m_settings.m_strText, this);
    m_pText->setFixedHeight(m_pText->fontMetrics().lineSpacing() * 4 + 12);

    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("大きさ："), this));
    for (int size : CPreviewSettings::OfferedSizes()) {
        auto* box = new QCheckBox(QString::number(size), this);
        box->setChecked(m_settings.m_sizes.contains(size));
        m_sizeBoxes.insert(size, box);
        options->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] { ReadControls(); });
    }
    options->addSpacing(12);
    m_pHorizontal = new QRadioButton(QStringLiteral("横書き"), this);
    m_pVertical = new QRadioButton(QStringLiteral("縦書き"), this);
    (m_settings.m_bVertical ? m_pVertical : m_pHorizontal)->setChecked(true);
    options->addWidget(m_pHorizontal);
    options->addWidget(m_pVertical);
    connect(m_pVertical, &QRadioButton::toggled, this, [this] { ReadControls(); });
    options->addStretch();

    auto* actions = new QHBoxLayout;
    m_pSampleFace = new QCheckBox(QStringLiteral("フォントにない文字をサンプルの書体で薄く表示する"), this);
    m_pSampleFace->setChecked(m_settings.m_bSampleFaceForMissing);
    connect(m_pSampleFace, &QCheckBox::toggled, this, [this] { ReadControls(); });
    actions->addWidget(m_pSampleFace);
    actions->addStretch();
    auto* refresh = new QPushButton(QStringLiteral("更新(&R)"), this);
    refresh->setToolTip(QStringLiteral("いまのフォントで表示し直す (F5)"));
    connect(refresh, &QPushButton::clicked, this, &CPreviewWnd::Refresh);
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this, &CPreviewWnd::Refresh);
    auto* save = new QPushButton(QStringLiteral("画像として保存..."), this);
    connect(save, &QPushButton::clicked, this, &CPreviewWnd::OnSaveImage);
    actions->addWidget(refresh);
    actions->addWidget(save);

    m_pStatus = new QLabel(this);
    m_pStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pImage = new QLabel(this);
    m_pImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pScroll = new QScrollArea(this);
    m_pScroll->setWidget(m_pImage);
    m_pScroll->setWidgetResizable(false);
    m_pScroll->setBackgroundRole(QPalette::Base);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pText);
    layout->addLayout(options);
    layout->addLayout(actions);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pScroll, 1);
    connect(m_pText, &QPlainTextEdit::textChanged, this, [this] { ReadControls(); });
}

void CPreviewWnd::ReadControls()
{
    m_settings.m_strText = m_pText->toPlainText();
    m_settings.m_sizes.clear();
    for (int size : CPreviewSettings::OfferedSizes()) {
        if (m_sizeBoxes.value(size)->isChecked())
            m_settings.m_sizes << size;
    }
    m_settings.m_bVertical = m_pVertical->isChecked();
    m_settings.m_bSampleFaceForMissing = m_pSampleFace->isChecked();
    Render();
}

void CPreviewWnd::Refresh()
{
    m_bStale = false;
    const CFontSnapshot::SResult source = m_snapshot.Prepare();
    if (source.status == CFontSnapshot::EStatus::FromEditor) {
        Start(true);
        return;
    }
    m_strFontPath = source.path;
    if (source.status == CFontSnapshot::EStatus::Ready) {
        Start(false);
        return;
    }
    m_picture = QImage();
    m_pImage->clear();
    m_pImage->resize(0, 0);
    ShowStatus(source.message);
    emit PictureShown();
}

void CPreviewWnd::Render()
{
    if (!m_strFontPath.isEmpty())
        Start(false);
}

// One job runs at a time; what is asked meanwhile runs once after it, with
// what is current then.
void CPreviewWnd::Start(bool copy)
{
    if (m_watcher.isRunning()) {
        (copy ? m_bCopyAgain : m_bRenderAgain) = true;
        return;
    }
    CPreviewRenderer::SJob job;
    job.fontPath = m_strFontPath;
    job.sampleFaceForMissing = m_settings.m_bSampleFaceForMissing;
    if (job.sampleFaceForMissing && m_services.sampleFaceName)
        job.sampleFacePath = m_faces.MatchedFile(m_services.sampleFaceName());
    job.text = m_settings.m_strText;
    job.sizes = m_settings.m_sizes;
    job.vertical = m_settings.m_bVertical;
    const QSize room = m_pScroll->viewport()->size();
    job.extent = std::max(job.vertical ? room.height() : room.width(), 200);
    CFontSnapshot* snapshot = copy ? &m_snapshot : nullptr;
    if (copy)
        m_services.session.SetEditorBusyElsewhere(true);
    m_watcher.setFuture(QtConcurrent::run([snapshot, job]() mutable {
        if (snapshot) {
            const CFontSnapshot::SResult copied = snapshot->Copy();
            if (copied.status != CFontSnapshot::EStatus::Ready)
                return SOutcome { { QImage(), copied.message, 0 }, QString() };
            job.fontPath = copied.path;
        }
        return SOutcome { CPreviewRenderer::Render(job), job.fontPath };
    }));
}

void CPreviewWnd::OnRendered()
{
    m_services.session.SetEditorBusyElsewhere(false);
    const SOutcome outcome = m_watcher.result();
    m_strFontPath = outcome.fontPath;
    if (std::exchange(m_bCopyAgain, false)) {
        m_bRenderAgain = false;
        Start(true);
        return;
    }
    if (std::exchange(m_bRenderAgain, false) && !m_strFontPath.isEmpty()) {
        Start(false);
        return;
    }
    // Vertical text is read from the right: the view keeps its distance from
    // the right edge, which is none for a first picture.
    QScrollBar* across = m_pScroll->horizontalScrollBar();
    const int fromRight = across->maximum() - across->value();
    m_picture = outcome.picture.image;
    m_pImage->setPixmap(QPixmap::fromImage(m_picture));
    m_pImage->resize(m_picture.size());
    if (m_settings.m_bVertical)
        across->setValue(across->maximum() - fromRight);
    ShowStatus(outcome.picture.message);
    emit PictureShown();
}

QString CPreviewWnd::StatusText() const
{
    return m_pStatus->text();
}

void CPreviewWnd::ShowStatus(const QString& text)
{
    m_pStatus->setText(text);
    m_pStatus->setVisible(!text.isEmpty());
}

void CPreviewWnd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_bStale)
        Refresh();
}

void CPreviewWnd::hideEvent(QHideEvent* event)
{
    if (m_services.store)
        m_settings.Write(*m_services.store);
    QWidget::hideEvent(event);
}

void CPreviewWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        Render();
}

void CPreviewWnd::OnSaveImage()
{
    if (m_picture.isNull())
        return;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, QStringLiteral("画像として保存"),
        QDir(documents).filePath(QStringLiteral("プレビュー.png")), QStringLiteral("PNG 画像 (*.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SavePicture(dialog.selectedFiles().first());
}

bool CPreviewWnd::SavePicture(const QString& path)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && m_picture.save(&file, "PNG") && file.commit())
        return true;
    file.cancelWriting();
    CQtMessageBox(this).ShowStop(QStringLiteral("ファイル%1の書き込みに失敗しました。").arg(path));
    return false;
}
