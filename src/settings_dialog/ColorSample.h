#pragma once
#include <QAbstractButton>
#include <QColor>
#include <cstdint>

namespace korvel {

// A colour sample that is also a button: a click asks for a new colour. Its hint names what
// the colour is for, and assistive technology finds it under that text.
class ColorSample : public QAbstractButton
{
    Q_OBJECT
public:
    ColorSample(const QString& name, const QString& hint, QWidget* parent);

    // Colours as the settings keep them: 0x00BBGGRR.
    void setColorValue(std::uint32_t bgr);
    std::uint32_t colorValue() const { return value_; }
    QColor color() const;
    void setColor(const QColor& c);

    static QColor toQColor(std::uint32_t bgr);
    static std::uint32_t fromQColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint32_t value_ = 0;
};

} // namespace korvel
