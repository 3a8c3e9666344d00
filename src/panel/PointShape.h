#pragma once
#include <QWidget>

namespace korvel {

// The decimal point of a digit: a small light-green circle with a grey rim.
class PointShape : public QWidget
{
    Q_OBJECT
public:
    PointShape(const QString& name, const QRect& geometry, QWidget* parent);

    // The point's own shown state, independent of whether the window is on screen.
    bool lit() const { return !isHidden(); }
    // Changes the visibility only when it differs.
    void setLit(bool on);

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace korvel
