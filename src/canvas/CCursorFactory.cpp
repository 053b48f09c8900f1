#include "canvas/CCursorFactory.h"

#include "res/CUiResources.h"
#include "res/CommandIds.h"

#include <QHash>
#include <QPixmap>

QPoint CCursorFactory::HotSpot(int cursorId)
{
    switch (cursorId) {
    case cursor::IDC_PEN_USER: return {13, 23};
    case cursor::IDC_ERASER_USER: return {10, 19};
    case cursor::IDC_PEN_EDIT_FILL: return {11, 21};
    case cursor::IDC_PEN_EDIT_LINE: return {15, 15};
    default: return {16, 16};
    }
}

QCursor CCursorFactory::Cursor(int cursorId)
{
    static QHash<int, QCursor> cache;
    CUiResources::Init();
    auto it = cache.find(cursorId);
    if (it == cache.end()) {
        const QPixmap pixmap(QStringLiteral(":/cursors/%1.xpm").arg(cursorId));
        const QPoint hot = HotSpot(cursorId);
        it = cache.insert(cursorId, pixmap.isNull() ? QCursor(Qt::CrossCursor) : QCursor(pixmap, hot.x(), hot.y()));
    }
    return *it;
}
