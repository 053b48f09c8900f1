// quillery-autocreate: re-creates the glyphs of a folder of stroke files in a
// font without opening a window, with the canvas size and pen tip of the
// program's settings unless the command line names others.

#include "app/CQuilleryController.h"
#include "app/CQuilleryDoc.h"
#include "app/CSettingsStore.h"
#include "app/CTerminationSignals.h"
#include "app/CViewSettings.h"
#include "app/QtTranslations.h"
#include "autocreate/CConsoleMessageBox.h"
#include "autocreate/CConsoleProgress.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "fonteditor/CFontInfoEditor.h"
#include "fonteditor/CFontInstaller.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/CFontconfigTools.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "fonteditor/CNewFontNaming.h"
#include "fonteditor/Utf8Locale.h"
#include "pen/CPenFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <utility>

namespace {

struct Options
{
    QString strokeFolder;
    QString fontFile;
    int size = 0;
    int tip = -1;
    QString penFile;
    bool install = false;
    SFontNames names; // empty ones are proposed from the file
};

// The names a new font is given on the command line, checked as the font
// information dialog checks them.
bool ParseNames(const QCommandLineParser& parser, const QCommandLineOption& family,
                const QCommandLineOption& familyJa, Options& options)
{
    if (!parser.isSet(family) && !parser.isSet(familyJa))
        return true;
    if (QFileInfo::exists(options.fontFile)) {
        std::fprintf(stderr,
                     "--family, --family-ja: フォントファイル %s はすでにあります。名前を付けられるのは新しく作る"
                     "フォントだけです。\n今あるフォントは今の名前のままです（変えるには Quillery の［ファイル］→"
                     "［フォント情報］を使います）。\n",
                     qPrintable(options.fontFile));
        return false;
    }
    const struct {
        const QCommandLineOption& option;
        SFontInfo::EField field;
        QString& value;
    } given[] = {{family, SFontInfo::FamilyName, options.names.family},
                 {familyJa, SFontInfo::FamilyNameJa, options.names.familyJa}};
    for (const auto& name : given) {
        if (!parser.isSet(name.option))
            continue;
        name.value = parser.value(name.option).trimmed();
        if (const QString problem = CFontInfoEditor::Problem(name.field, name.value); !problem.isEmpty()) {
            std::fprintf(stderr, "--%s: %s\n", qPrintable(name.option.names().constFirst()), qPrintable(problem));
            return false;
        }
    }
    return true;
}

bool ParseArguments(QCoreApplication& app, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "ストロークファイルのフォルダからフォントの文字を自動作成します。\n"
        "例: quillery-autocreate --size 512 --tip 2 --font new.ttf ~/Documents/ストロークファイル"));
    // Qt's own help and version options have English texts (and a
    // --help-all of no use here); these say what they do in the program's
    // language.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("このヘルプを表示する。\n例: quillery-autocreate --help"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("バージョンを表示する。\n例: quillery-autocreate --version"));
    parser.addOptions({help, version});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("ストロークファイル (*.stk) のフォルダ (例: ~/Documents/ストロークファイル)"));
    const QCommandLineOption font({QStringLiteral("f"), QStringLiteral("font")},
                                  QStringLiteral("文字を入れる TrueType フォントファイル (必須、無ければ新規作成)\n例: --font new.ttf"),
                                  QStringLiteral("file.ttf"));
    const QCommandLineOption size({QStringLiteral("s"), QStringLiteral("size")},
                                  QStringLiteral("キャンバスの一辺のドット数 (128, 160, 192, 256, 448, 512)\n例: --size 512"),
                                  QStringLiteral("dots"));
    const QCommandLineOption tip({QStringLiteral("t"), QStringLiteral("tip")},
                                 QStringLiteral("ペン先: 0=10, 1=20, 2=30, 3=40 ドット円, 4=ユーザ定義ペン\n例: --tip 2"),
                                 QStringLiteral("index"));
    const QCommandLineOption pen({QStringLiteral("p"), QStringLiteral("pen")},
                                 QStringLiteral("ユーザ定義ペンのペンファイル (*.pen)\n例: --tip 4 --pen brush.pen"),
                                 QStringLiteral("file.pen"));
    const QCommandLineOption install(QStringLiteral("install"),
                                     QStringLiteral("作成に成功したら、フォントをユーザのフォントフォルダにインストールする\n例: --font new.ttf --install"));
    const QCommandLineOption family(QStringLiteral("family"),
                                    QStringLiteral("新しく作るフォントの英語のファミリー名 (半角英数字、31 文字まで。"
                                                   "省略するとファイル名から。今あるフォントには使えない)\n"
                                                   "例: --family \"Tegaki Test\""),
                                    QStringLiteral("name"));
    const QCommandLineOption familyJa(QStringLiteral("family-ja"),
                                      QStringLiteral("新しく作るフォントの日本語のファミリー名 (31 文字まで。"
                                                     "省略すると --family の名前、それも無ければファイル名から)\n"
                                                     "例: --family-ja \"てがきテスト\""),
                                      QStringLiteral("name"));
    parser.addOptions({font, size, tip, pen, install, family, familyJa});
    parser.process(app);
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return false;
    }
    // The editor of a run ends with it, so glyphs traced into a font without
    // a file would be thrown away: the font file is required.
    if (parser.value(font).isEmpty()) {
        std::fprintf(stderr, "--font: 文字を入れるフォントファイルを指定してください。\n\n%s", qPrintable(parser.helpText()));
        return false;
    }
    // On the command line a relative name means the current folder, as for
    // every other program run from a shell (the window's font field takes
    // bare names in the documents folder instead).
    options.strokeFolder = QDir::cleanPath(QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
    options.fontFile = CFontPath::WithSuffix(QDir::cleanPath(QFileInfo(parser.value(font)).absoluteFilePath()));
    options.penFile = parser.value(pen).isEmpty() ? QString() : QFileInfo(parser.value(pen)).absoluteFilePath();
    options.install = parser.isSet(install);
    if (!ParseNames(parser, family, familyJa, options))
        return false;
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

// The run's private folder: the runtime folder of its own font editor, with
// the editor's socket and the log of what the editor prints. It is removed
// once the editor has ended; the log is shown only when the run failed.
class RunFolder
{
public:
    bool IsValid() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }
    QString EditorLog() const { return m_dir.filePath(QStringLiteral("editor.log")); }

    void Finish(CLocalAutomationSystem& automation, bool failed)
    {
        automation.WaitForLaunchedServers(kEditorEndWaitMs);
        QFile log(EditorLog());
        const QByteArray output = failed && log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        log.close();
        if (!output.isEmpty()) {
            std::fprintf(stderr, "フォントエディタの出力:\n");
            std::fwrite(output.constData(), 1, static_cast<size_t>(output.size()), stderr);
        }
        m_dir.remove();
    }

private:
    static constexpr int kEditorEndWaitMs = 10'000;
    QTemporaryDir m_dir;
};

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

QString SignalName(int signal)
{
    switch (signal) {
    case SIGINT: return QStringLiteral("Ctrl+C (SIGINT)");
    case SIGTERM: return QStringLiteral("終了の指示 (SIGTERM)");
    case SIGHUP: return QStringLiteral("端末の切断 (SIGHUP)");
    default: return QStringLiteral("シグナル %1").arg(signal);
    }
}

// The names the new font got, so that the user sees what was proposed and
// how to give others.
void TellNewFontNames(const QString& fontFile, const SFontNames& given)
{
    const SFontNames names = CNewFontNaming::Completed(given, fontFile);
    std::fprintf(stderr, "新規フォント %s を作成しました（英語名「%s」、日本語名「%s」）。%s\n", qPrintable(fontFile),
                 qPrintable(names.family), qPrintable(names.familyJa),
                 given.family.isEmpty() && given.familyJa.isEmpty() ? "名前は --family と --family-ja で指定できます。" : "");
}

} // namespace

int main(int argc, char* argv[])
{
    EnsureUtf8Locale();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillery-autocreate"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLERY_VERSION));
    InstallJapaneseQtTranslations();

    Options options;
    if (!ParseArguments(app, options))
        return 2;
    // Ctrl+C, a terminal that went away or a kill end the run after the
    // character in hand, not in the middle of it: the font is saved and the
    // summary told as after a Cancel.
    CTerminationSignals termination;
    int endSignal = 0;

    // A font editor of this run's own, so that the glyphs never land in a
    // font the user has open in the program's window.
    RunFolder runtime;
    if (!runtime.IsValid()) {
        std::fprintf(stderr, "一時フォルダを作成できません。\n");
        return 1;
    }
    QFile::setPermissions(runtime.Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.Path()));

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
    automation.SetServerLog(runtime.EditorLog());
    CQuilleryController controller({drawing, settings, frame, messages, automation, progress, progress});
    controller.SetDocument(&doc);
    frame.SetCharChanged([&controller] { controller.OnCharChanged(); });
    controller.Session().Naming().SetGivenNames(options.names);
    QObject::connect(&termination, &CTerminationSignals::Received, [&](int signal) {
        if (std::exchange(endSignal, signal) != 0)
            return;
        CConsoleProgress::EndLine();
        std::fprintf(stderr, "%s を受け取ったため、今の文字を終えたところで自動作成を中止し、フォントを保存します。\n",
                     qPrintable(SignalName(signal)));
        progress.RequestStop();
    });
    const bool newFont = !QFileInfo::exists(options.fontFile);

    const int before = messages.MessageCount();
    // A font that cannot be opened or given its file fails the run before
    // anything is traced (a folder without stroke files is reported by the
    // run itself, and leaves no font file behind).
    const bool hasWork = !CAutoCreator::ListStrokeFiles(options.strokeFolder).isEmpty();
    if (hasWork && !controller.PrepareFont()) {
        controller.ReleaseAtExit(frame.GetFontFilePathText());
        std::fprintf(stderr, "フォントファイル %s を用意できないため、自動作成を中止しました。\n", qPrintable(options.fontFile));
        runtime.Finish(automation, true);
        return 1;
    }
    if (hasWork && newFont)
        TellNewFontNames(frame.GetFontFilePathText(), options.names);
    // A signal during the font's opening stops the run before it starts.
    QCoreApplication::processEvents();
    if (endSignal == 0)
        controller.OnAutoCreate();
    const auto fontFile = controller.ReleaseAtExit(frame.GetFontFilePathText());
    if (fontFile && !fontFile->isEmpty() && !controller.Session().IsExitSaveFailed())
        std::fprintf(stderr, "%s\n", qPrintable(*fontFile));
    int status = messages.MessageCount() > before || controller.Session().IsExitSaveFailed() ? 1 : 0;
    QCoreApplication::processEvents();
    if (endSignal != 0)
        status = 128 + endSignal; // 130 for Ctrl+C, 143 for SIGTERM, as shells give
    if (status == 0 && options.install && !InstallFont(fontFile.value_or(QString()), messages))
        status = 1;
    runtime.Finish(automation, status != 0);
    return status;
}
