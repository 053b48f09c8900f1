// quillery-autocreate: re-creates the glyphs of a folder of stroke files in a
// font without opening a window, with the canvas size and pen tip of the
// program's settings unless the command line names others.

#include "app/CQuilleryController.h"
#include "app/CQuilleryDoc.h"
#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"
#include "autocreate/CConsoleMessageBox.h"
#include "autocreate/CConsoleProgress.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "fonteditor/CFontInstaller.h"
#include "fonteditor/CFontconfigTools.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "pen/CPenFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Options
{
    QString strokeFolder;
    QString fontFile;
    int size = 0;
    int tip = -1;
    QString penFile;
    bool install = false;
};

bool ParseArguments(QCoreApplication& app, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ストロークファイルのフォルダからフォントの文字を自動作成します。"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("ストロークファイル (*.stk) のフォルダ"));
    const QCommandLineOption font({QStringLiteral("f"), QStringLiteral("font")},
                                  QStringLiteral("文字を入れる TrueType フォントファイル (無ければ新規作成)"),
                                  QStringLiteral("file.ttf"));
    const QCommandLineOption size({QStringLiteral("s"), QStringLiteral("size")},
                                  QStringLiteral("キャンバスの一辺のドット数 (128, 160, 192, 256, 448, 512)"),
                                  QStringLiteral("dots"));
    const QCommandLineOption tip({QStringLiteral("t"), QStringLiteral("tip")},
                                 QStringLiteral("ペン先: 0=10, 1=20, 2=30, 3=40 ドット円, 4=ユーザ定義ペン"),
                                 QStringLiteral("index"));
    const QCommandLineOption pen({QStringLiteral("p"), QStringLiteral("pen")},
                                 QStringLiteral("ユーザ定義ペンのペンファイル (*.pen)"), QStringLiteral("file.pen"));
    const QCommandLineOption install(QStringLiteral("install"),
                                     QStringLiteral("作成に成功したら、フォントをユーザのフォントフォルダにインストールする"));
    parser.addOptions({font, size, tip, pen, install});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return false;
    }
    options.strokeFolder = QDir::cleanPath(parser.positionalArguments().first());
    options.fontFile = parser.value(font);
    options.penFile = parser.value(pen);
    options.install = parser.isSet(install);
    bool ok = true;
    if (parser.isSet(size) && (options.size = parser.value(size).toInt(&ok), !ok || !CViewSettings::IsOfferedSize(options.size))) {
        std::fprintf(stderr, "--size: 128, 160, 192, 256, 448, 512 のどれかを指定してください。\n");
        return false;
    }
    if (parser.isSet(tip) && (options.tip = parser.value(tip).toInt(&ok), !ok || options.tip < 0 || options.tip > 4)) {
        std::fprintf(stderr, "--tip: 0 から 4 までの整数を指定してください。\n");
        return false;
    }
    return true;
}

// The canvas size, tip and user pen the program itself would use now; the
// settings are only read.
CViewSettings ReadSettings(const Options& options)
{
    const CSettingsStore store;
    CViewSettings settings;
    int value = 0;
    if (store.ReadRegDword(CViewSettings::kSection, QStringLiteral("BmpSize"), value) && CViewSettings::IsOfferedSize(value))
        settings.m_nBmpSize = value;
    if (store.ReadRegDword(CViewSettings::kSection, QStringLiteral("ToolSize"), value))
        settings.m_nToolSize = value;
    QByteArray penBits;
    if (store.ReadRegBinary(CViewSettings::kSection, QStringLiteral("BmpPenData"), penBits))
        settings.m_penBits = CViewSettings::PenBitsFromStored(penBits);
    if (options.size > 0)
        settings.m_nBmpSize = options.size;
    if (options.tip >= 0)
        settings.m_nToolSize = options.tip;
    settings.m_strStrkFolderPath = options.strokeFolder;
    return settings;
}

// The font goes where the user's programs find fonts, as the window's
// install command puts it.
bool InstallFont(const QString& fontFile, IMessageBox& messages)
{
    if (fontFile.isEmpty()) {
        messages.ShowMessage(QStringLiteral("フォントにファイルが無いため、インストールできません。--font でファイルを指定してください。"));
        return false;
    }
    CFontconfigTools fontconfig;
    return CFontInstaller(fontconfig, messages).Install(fontFile);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillery-autocreate"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLERY_VERSION));

    Options options;
    if (!ParseArguments(app, options))
        return 2;

    // A font editor of this run's own, so that the glyphs never land in a
    // font the user has open in the program's window.
    QTemporaryDir runtime;
    if (!runtime.isValid()) {
        std::fprintf(stderr, "一時フォルダを作成できません。\n");
        return 1;
    }
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));

    CConsoleMessageBox messages;
    CViewSettings settings = ReadSettings(options);
    CDrawingModel drawing(settings.m_nBmpSize, settings.m_nToolSize);
    drawing.PenTip().LoadStored(settings.m_penBits);
    if (!options.penFile.isEmpty() && !CPenFile::LoadPenFile(options.penFile, drawing.PenTip(), messages))
        return 1;

    CQuilleryDoc doc(QCoreApplication::applicationDirPath(), messages);
    if (!doc.LoadTemplate(settings.m_nBmpSize))
        return 1;

    CMemoryFrameFields frame;
    frame.SetFontFilePathText(options.fontFile);
    CConsoleProgress progress;
    CLocalAutomationSystem automation;
    CQuilleryController controller({drawing, settings, frame, messages, automation, progress, progress});
    controller.SetDocument(&doc);
    frame.SetCharChanged([&controller] { controller.OnCharChanged(); });

    const int before = messages.MessageCount();
    controller.OnAutoCreate();
    const auto fontFile = controller.ReleaseAtExit(frame.GetFontFilePathText());
    if (fontFile && !fontFile->isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(*fontFile));
    const bool failed = messages.MessageCount() > before;
    if (!failed && options.install && !InstallFont(fontFile.value_or(QString()), messages))
        return 1;
    return failed ? 1 : 0;
}
