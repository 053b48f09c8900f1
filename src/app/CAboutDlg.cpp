#include "app/CAboutDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const QString& editorVersion, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("バージョン情報"));

    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    if (icon->pixmap().isNull())
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("<b>Quillery</b> バージョン %1").arg(QApplication::applicationVersion()), this);
    name->setObjectName(QStringLiteral("name"));
    QFont larger = name->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.3);
    name->setFont(larger);
    auto* description = new QLabel(QStringLiteral("手書きの文字を一文字ずつ TrueType フォントにするプログラム"), this);
    auto* editor = new QLabel(EditorLine(editorVersion), this);
    editor->setObjectName(QStringLiteral("editor"));
    auto* licence = new QLabel(LicenceText(), this);
    licence->setObjectName(QStringLiteral("licence"));
    // The kanji lists are read from a dictionary whose licence asks for
    // its source to be named.
    auto* kanji = new QLabel(QStringLiteral("漢字の一覧: 漢字辞典 KANJIDIC2 (Electronic Dictionary Research and Development Group、\n"
                                            "CC BY-SA 3.0、Debian の kanjidic-xml) を実行時に読んでいます。"),
                             this);
    kanji->setObjectName(QStringLiteral("kanjiSource"));
    licence->setWordWrap(true);
    for (QLabel* label : {name, description, editor, licence, kanji})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(description);
    texts->addSpacing(8);
    texts->addWidget(editor);
    texts->addWidget(licence);
    texts->addWidget(kanji);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // Every line is shown whole; the box takes the size its texts ask for,
    // and never less than its title needs.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 3);
}

QString CAboutDlg::EditorLine(const QString& editorVersion)
{
    const QString shipped = QStringLiteral("Quillery に付属のフォントエディタ Glyphsmith");
    if (editorVersion.isEmpty())
        return shipped + QStringLiteral("（まだ起動していません。最初の実行で起動します）");
    return shipped + QStringLiteral(" %1").arg(editorVersion);
}

QString CAboutDlg::LicenceText()
{
    return QStringLiteral("ライセンス：GNU General Public License バージョン 3 またはそれ以降 (GPL-3.0-or-later)\n"
                          "Quillery で作ったフォントはあなたのものです。使い方や配布の条件は自由に決められます。");
}
