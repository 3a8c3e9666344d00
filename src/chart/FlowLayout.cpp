#include "chart/FlowLayout.h"

#include <QWidget>

namespace korvel {

FlowLayout::FlowLayout(QWidget* parent, int hSpacing, int vSpacing)
    : QLayout(parent), hSpacing_(hSpacing), vSpacing_(vSpacing)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    items_.append(item);
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const
{
    return doLayout(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const
{
    return minimumSize();
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    doLayout(rect, true);
}

int FlowLayout::doLayout(const QRect& rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.marginsRemoved(m);
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    // Items of a row share its height and are centred in it.
    QList<QPair<QLayoutItem*, QPoint>> row;
    auto flushRow = [&]() {
        if (apply)
            for (const auto& [item, pos] : row) {
                const QSize s = item->sizeHint();
                item->setGeometry(
                    QRect(QPoint(pos.x(), pos.y() + (rowHeight - s.height()) / 2), s));
            }
        row.clear();
    };
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const QSize s = item->sizeHint();
        if (x > area.x() && x + s.width() > area.right() + 1) {
            flushRow();
            x = area.x();
            y += rowHeight + vSpacing_;
            rowHeight = 0;
        }
        row.append({item, QPoint(x, y)});
        x += s.width() + hSpacing_;
        rowHeight = std::max(rowHeight, s.height());
    }
    flushRow();
    return y + rowHeight - rect.y() + m.bottom();
}

} // namespace korvel
