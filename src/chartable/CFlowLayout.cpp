#include "chartable/CFlowLayout.h"

#include <QWidget>

#include <algorithm>

CFlowLayout::CFlowLayout(int spacing)
    : m_nSpacing(spacing)
{
}

CFlowLayout::~CFlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void CFlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* CFlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

// As narrow as the narrowest item can be.
QSize CFlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

// Everything in one row.
QSize CFlowLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width > 0 ? m_nSpacing : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return { width + margins.left() + margins.right(), height + margins.top() + margins.bottom() };
}

void CFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int CFlowLayout::Arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        const int width = std::max(1, std::min(hint.width(), area.width()));
        if (x > area.x() && x + width > area.x() + area.width()) {
            x = area.x();
            y += rowHeight + m_nSpacing;
            rowHeight = 0;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), QSize(width, hint.height())));
        x += width + m_nSpacing;
        rowHeight = std::max(rowHeight, hint.height());
    }
    const QMargins margins = contentsMargins();
    return y + rowHeight - rect.y() + margins.bottom();
}
