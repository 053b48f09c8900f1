#include "res/CStringTable.h"

#include "res/CommandIds.h"

#include <QHash>

namespace {

CStringTable::CommandText Text(const char* menu, const char* prompt, const char* toolTip)
{
    return {QString::fromUtf8(menu), QString::fromUtf8(prompt), QString::fromUtf8(toolTip)};
}

const QHash<int, CStringTable::CommandText>& Table()
{
    using namespace cmd;
    static const QHash<int, CStringTable::CommandText> table = {
        {ID_TOOL_PEN, Text("ペン", "ペンで文字を描く", "ペン")},
        {ID_TOOL_ERASER, Text("消しゴム", "消しゴムにより文字を消す", "消しゴム")},
        {ID_TIP_10, Text("10ドット円", "ペンや消しゴムのサイズを10ドット円にする", "10ドット円")},
        {ID_TIP_20, Text("20ドット円", "ペンや消しゴムのサイズを20ドット円にする", "20ドット円")},
        {ID_TIP_30, Text("30ドット円", "ペンや消しゴムのサイズを30ドット円にする", "30ドット円")},
        {ID_TIP_40, Text("40ドット円", "ペンや消しゴムのサイズを40ドット円にする", "40ドット円")},
        {ID_TIP_USER, Text("ユーザ定義ペン", "ペンや消しゴムのサイズをユーザ定義にする", "ユーザ定義ペン")},
        {ID_NEXT_CHAR, Text("次の文字(&X)\tCtrl+PageDown", "次の文字を表示", "次の文字")},
        {ID_PREV_CHAR, Text("前の文字(&V)\tCtrl+PageUp", "前の文字を表示", "前の文字")},
        {ID_NEXT_MISSING,
         Text("次の未作成文字(&M)\tCtrl+Shift+PageDown", "文字一覧で選んだ種類の中で、まだフォントにない次の文字を表示",
              "次の未作成文字")},
        {ID_CLEAR_ALL, Text("すべてクリア(&C)\tCtrl+L", "すべてクリアする", "すべてクリア")},
        {ID_EXECUTE, Text("実行(&D)\tCtrl+D", "実行", "実行")},
        {ID_OPTIONS, Text("オプション(&O)...", "編集のオプションを設定", "オプション")},
        {ID_VIEW_SAMPLE, Text("サンプルを表示", "サンプルの表示/非表示の切り換え", "サンプルを表示")},
        {ID_VIEW_GRID, Text("罫線を表示", "罫線の表示/非表示の切り換え", "罫線を表示")},
        {ID_AUTO_CREATE,
         Text("ストロークデータから自動作成(&A)...", "ストロークデータから自動作成する", "ｽﾄﾛｰｸﾃﾞｰﾀから自動作成")},
        {ID_FACE_LIST, Text("", "書体名", "")},
        {ID_EDIT_UNDO, Text("元に戻す(&U)\tCtrl+Z", "直前に行った動作を元に戻す", "元に戻す")},
        {ID_EDIT_REDO, Text("やり直し(&R)\tCtrl+Y", "直前に行った動作をやり直す", "やり直し")},
        {ID_APP_EXIT, Text("終了(&X)", "アプリケーションを終了し、ファイルの保存を指示", "終了")},
        {ID_HELP_FINDER, Text("目次(&H)", "ﾍﾙﾌﾟ ﾄﾋﾟｯｸの一覧を表示", "ﾍﾙﾌﾟ ﾄﾋﾟｯｸ")},
        {ID_CONTEXT_HELP,
         Text("状況依存のヘルプ(&W)\tShift+F1", "ﾎﾞﾀﾝ、ﾒﾆｭｰ、ｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ")},
        {ID_HELP, Text("", "現在の作業に関するﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ")},
        {ID_APP_ABOUT,
         Text("バージョン情報(&A)...", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示", "ﾊﾞｰｼﾞｮﾝ情報")},
        {ID_PEN_EDIT_PEN, Text("ペン", "ペンにより黒のドットを描く", "ペン")},
        {ID_PEN_EDIT_ERASER, Text("消しゴム", "消しゴムにより、ドットを消す", "消しゴム")},
        {ID_PEN_EDIT_LINE, Text("線", "線を描く", "線")},
        {ID_PEN_EDIT_FILL, Text("塗り潰す", "領域を塗り潰す", "塗り潰す")},
        {ID_PEN_EDIT_CLEAR, Text("すべてクリア", "すべてクリアする", "すべてクリア")},
        {ID_PEN_FILE_OPEN, Text("開く", "ペンデータのファイルを開く", "開く")},
        {ID_PEN_FILE_SAVE, Text("保存", "ペンデータをファイルに保存する", "保存")},
        {ID_FONT_SAVE_AS,
         Text("フォントに名前を付けて保存(&S)...", "Glyphsmithで開いているフォントを別のファイルに保存する",
              "フォントに名前を付けて保存")},
        {ID_FONT_INFO,
         Text("フォント情報(&N)...", "フォントのファミリー名、バージョン、著作権表示を編集する", "フォント情報")},
        {ID_VIEW_CHAR_TABLE,
         Text("文字一覧(&T)\tCtrl+T", "作成済みの文字と残りの文字を一覧で表示", "文字一覧")},
        {ID_FONT_INSTALL,
         Text("フォントをインストール(&I)", "フォントを保存して、ほかのプログラムでも使えるようにインストールする",
              "フォントをインストール")},
        {ID_VIEW_PREVIEW,
         Text("プレビュー(&P)\tCtrl+Shift+P", "入力した文章をこのフォントで表示する", "プレビュー")},
    };
    return table;
}

} // namespace

CStringTable::CommandText CStringTable::Command(int id)
{
    return Table().value(id);
}

QString CStringTable::IdlePrompt()
{
    return QStringLiteral("ﾍﾙﾌﾟを表示するには [F1] を押してください。");
}

QString CStringTable::Message(EMessage id)
{
    using M = EMessage;
    switch (id) {
    case M::FolderNotWritable: return QStringLiteral("フォルダ%1には書き込めません（%2）。");
    case M::FileNotWritable: return QStringLiteral("フォントファイル%1には書き込めません（%2）。");
    case M::ChooseOtherPlaceStep: return QStringLiteral("別の場所を選んでください。");
    case M::ChooseOtherPlace: return QStringLiteral("別の場所に保存(&S)...");
    case M::SameFileChosen:
        return QStringLiteral("%1は使えないフォントファイルです。\n別のファイル名を選んでください。");
    case M::FontDamaged: return QStringLiteral("フォントファイル%1は壊れているか TrueType フォントではありません。");
    case M::FontCff: return QStringLiteral("フォント%1は CFF 形式のため書き込めません。");
    case M::FontCollection: return QStringLiteral("%1はフォントコレクション (.ttc) のため書き込めません。");
    case M::FontVariable: return QStringLiteral("%1は可変フォントのため書き込めません。");
    case M::OfferNewFont:
        return QStringLiteral("このファイルには手を付けずに、新しいフォントを別のファイルに作ることができます。");
    case M::MakeNewFont: return QStringLiteral("新しいフォントを作る(&N)...");
    case M::FontHeldElsewhere:
        return QStringLiteral("このフォントは他のQuilleryで開かれています。\n"
                              "そちらのQuilleryを終了するか、別のフォントファイルを選んでください。");
    case M::EditorRestarted: return QStringLiteral("フォントエディタが止まったため再起動しました。失われた文字はありません。");
    case M::EditorRestartedLost:
        return QStringLiteral("フォントエディタが止まったため再起動しました。\n次の文字は失われました。もう一度作成してください。\n%1");
    case M::EditorRestartedRecovered:
        return QStringLiteral("フォントエディタが止まったため再起動し、%1個の文字を復旧しました。");
    case M::EditorStoppedAgain:
        return QStringLiteral("再起動したフォントエディタも止まったため、この文字を取り込めませんでした。\n"
                              "もう一度実行してください。");
    case M::EditorEndedDuringStart:
        return QStringLiteral("Glyphsmithが起動の途中で終了しました。\nもう一度実行してください。"
                              "何度も終了する場合は、%1が入っているか確かめてください。");
    case M::EditorNoAnswerAtStart:
        return QStringLiteral("Glyphsmithが起動しましたが、応答しないため終了させました。\n"
                              "もう一度実行してください。");
    case M::NoRuntimeFolder:
        return QStringLiteral("このユーザ専用の実行時フォルダ（XDG_RUNTIME_DIR）が無いため、Glyphsmithと接続できません。\n"
                              "ログインし直してください。");
    case M::SaveFailedCause: return QStringLiteral("フォントファイル%1を保存できませんでした。\n原因：%2");
    }
    return QString();
}
