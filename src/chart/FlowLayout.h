#pragma once
#include <QLayout>
#include <QList>

namespace korvel {

// Lays its items out left to right and starts a new row when the width runs out, so a toolbar
// stays whole however narrow the window is made; its height follows the rows it needs.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget* parent = nullptr, int hSpacing = 10, int vSpacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    int doLayout(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> items_;
    int hSpacing_;
    int vSpacing_;
};

} // namespace korvel
