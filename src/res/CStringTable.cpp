#include "res/CStringTable.h"

#include "res/CommandIds.h"

#include <QHash>

namespace {

const QHash<int, CStringTable::CommandText>& Table()
{
    using namespace cmd;
    static const QHash<int, CStringTable::CommandText> table = {
        {ID_TOOL_PEN, {QStringLiteral("ペン"), QStringLiteral("ペンで文字を描く"), QStringLiteral("ペン")}},
        {ID_TOOL_ERASER,
         {QStringLiteral("消しゴム"), QStringLiteral("消しゴムにより文字を消す"), QStringLiteral("消しゴム")}},
        {ID_TIP_10,
         {QStringLiteral("10ドット円"), QStringLiteral("ペンや消しゴムのサイズを10ドット円にする"),
          QStringLiteral("10ドット円")}},
        {ID_TIP_20,
         {QStringLiteral("20ドット円"), QStringLiteral("ペンや消しゴムのサイズを20ドット円にする"),
          QStringLiteral("20ドット円")}},
        {ID_TIP_30,
         {QStringLiteral("30ドット円"), QStringLiteral("ペンや消しゴムのサイズを30ドット円にする"),
          QStringLiteral("30ドット円")}},
        {ID_TIP_40,
         {QStringLiteral("40ドット円"), QStringLiteral("ペンや消しゴムのサイズを40ドット円にする"),
          QStringLiteral("40ドット円")}},
        {ID_TIP_USER,
         {QStringLiteral("ユーザ定義ペン"), QStringLiteral("ペンや消しゴムのサイズをユーザ定義にする"),
          QStringLiteral("ユーザ定義ペン")}},
        {ID_CLEAR_ALL,
         {QStringLiteral("すべてクリア(&C)\tCtrl+L"), QStringLiteral("すべてクリアする"),
          QStringLiteral("すべてクリア")}},
        {ID_VIEW_SAMPLE,
         {QStringLiteral("サンプルを表示"), QStringLiteral("サンプルの表示/非表示の切り換え"),
          QStringLiteral("サンプルを表示")}},
        {ID_VIEW_GRID,
         {QStringLiteral("罫線を表示"), QStringLiteral("罫線の表示/非表示の切り換え"), QStringLiteral("罫線を表示")}},
        {ID_EDIT_UNDO, {QStringLiteral("元に戻す(&U)\tCtrl+Z"), QString(), QString()}},
        {ID_EDIT_REDO, {QStringLiteral("やり直し(&R)\tCtrl+Y"), QString(), QString()}},
    };
    return table;
}

} // namespace

CStringTable::CommandText CStringTable::Command(int id)
{
    return Table().value(id);
}
