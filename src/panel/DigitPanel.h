#pragma once
#include <QLabel>

namespace korvel {

class PointShape;

// One digit of the indicator's display: a grey panel whose caption is the character shown,
// in bold monospace light green. Its font size is kept in points, as the rendering rules
// switch between 43 and 30 pt; 96 pixels per inch turn points into pixels so that the
// layout does not depend on the screen.
class DigitPanel : public QLabel
{
    Q_OBJECT
public:
    DigitPanel(const QString& name, const QRect& geometry, int fontPt, QWidget* parent);

    QString caption() const { return text(); }
    // Writes the caption only when it changes.
    void setCaption(const QString& caption);

    int fontSize() const { return fontPt_; }
    void setFontSize(int pt);

    // The decimal point inside this digit.
    PointShape* point() const { return point_; }
    void setPoint(PointShape* point) { point_ = point; }

    // Where the caption's baseline lies in a panel of this height: centred as a line of
    // Courier New at this pixel size would be, whichever face stands in for it.
    static int captionBaseline(int pixelSize, int panelHeight);
    // Left edge of a caption of this width, centred as the layout was designed (truncating).
    static int captionLeft(int textWidth, int panelWidth) { return (panelWidth - textWidth) / 2; }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int fontPt_ = 0;
    PointShape* point_ = nullptr;
};

// Pixel height of a font size given in points, at 96 pixels per inch.
int PointsToPixels(int pt);

} // namespace korvel
