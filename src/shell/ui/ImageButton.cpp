#include "ImageButton.h"

#include <QMouseEvent>

namespace korvel {

ImageButton::ImageButton(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true); // moves over the button arrive without a pressed button
}

ImageButton::ImageButton(const ButtonPictures& pictures, QWidget* parent) : ImageButton(parent)
{
    setPictures(pictures);
}

void ImageButton::setPictures(const ButtonPictures& pictures)
{
    pictures_ = pictures;
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
