#pragma once

#include <QLayout>
#include <QList>

// Lays its items out in a row, from left to right, and goes on in the next
// row when the width runs out, so that a row of controls fits a narrow
// window without being cut. An item wider than the whole width gets that
// width.
class CFlowLayout : public QLayout {
public:
    explicit CFlowLayout(int spacing);
    ~CFlowLayout() override;
    CFlowLayout(const CFlowLayout&) = delete;
    CFlowLayout& operator=(const CFlowLayout&) = delete;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in rect when place is set; the height they take.
    int Arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_items;
    int m_nSpacing;
};
