#include "ImageButton.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace korvel {

namespace {

// A QLabel is static text to assistive technology; this one is a button it can press.
class ImageButtonAccessible : public QAccessibleWidget
{
public:
    explicit ImageButtonAccessible(ImageButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<ImageButton*>(widget())->click();
    }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (className == QLatin1String(ImageButton::staticMetaObject.className()) && object)
        return new ImageButtonAccessible(static_cast<ImageButton*>(object));
    return nullptr;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QLabel(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(factoryInstalled);
    setMouseTracking(true); // moves over the button arrive without a pressed button
}

ImageButton::ImageButton(const ButtonPictures& pictures, QWidget* parent) : ImageButton(parent)
{
    setPictures(pictures);
}

void ImageButton::setPictures(const ButtonPictures& pictures)
{
    pictures_ = pictures;
    setAccessibleName(pictures_.name);
    if (!pictures_.normal.isNull())
        setFixedSize(pictures_.normal.deviceIndependentSize().toSize());
    showPicture(shown_);
}

void ImageButton::showPicture(Picture picture)
{
    shown_ = picture;
    switch (picture) {
    case Picture::Normal:
        setPixmap(pictures_.normal);
        break;
    case Picture::Hover:
        setPixmap(pictures_.hover);
        break;
    case Picture::Pressed:
        setPixmap(pictures_.pressed);
        break;
    }
}

void ImageButton::click()
{
    emit clicked();
}

void ImageButton::resetHover()
{
    if (hover_ || shown_ != Picture::Normal) {
        hover_ = false;
        showPicture(Picture::Normal);
    }
}

void ImageButton::enterEvent(QEnterEvent*)
{
    hover_ = true;
    showPicture(Picture::Hover);
}

void ImageButton::leaveEvent(QEvent*)
{
    hover_ = false;
    showPicture(Picture::Normal);
}

void ImageButton::mouseMoveEvent(QMouseEvent*)
{
    if (!hover_) {
        hover_ = true;
        showPicture(Picture::Hover);
        emit hoverTaken();
    }
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    if (!pressNeedsHover_ || hover_)
        showPicture(Picture::Pressed);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = pressed_ && event->button() == Qt::LeftButton;
    pressed_ = false;
    if (releaseShowsHover_)
        showPicture(Picture::Hover);
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace korvel
