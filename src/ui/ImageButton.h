#pragma once
// A picture that behaves as a button: normal, hover and pressed pictures, a
// hover flag (HoverClose / HoverMinimize) and a click on left press + release
// inside. The close and minimize buttons of the shaped windows are these.
//
// Reactions:
//   mouse enters          -> hover picture, flag set
//   mouse leaves          -> normal picture, flag cleared
//   mouse moves over it   -> if the flag is clear: hover picture, flag set, hoverTaken()
//                            (SkinnedWindow then resets the window's other buttons)
//   left press            -> pressed picture (only while the flag is set if
//                            setPressNeedsHover(true))
//   release               -> hover picture again, unless setReleaseShowsHover(false)
//   left press + release inside -> clicked()
//
// Assistive technology sees a button named after its pictures' role that it can press.
#include <QLabel>
#include <QPixmap>

namespace korvel {

struct ButtonPictures
{
    QPixmap normal;
    QPixmap hover;
    QPixmap pressed;
    // What the button is called for assistive technology ("Закрыть").
    QString name;
};

class ImageButton : public QLabel
{
    Q_OBJECT
public:
    enum class Picture { Normal, Hover, Pressed };

    explicit ImageButton(QWidget* parent = nullptr);
    ImageButton(const ButtonPictures& pictures, QWidget* parent = nullptr);

    void setPictures(const ButtonPictures& pictures);
    const ButtonPictures& pictures() const { return pictures_; }

    // The settings dialog's close button shows its pressed picture only while
    // hovered; the main window's close button keeps the pressed picture after
    // release because its click closes the window.
    void setPressNeedsHover(bool on) { pressNeedsHover_ = on; }
    void setReleaseShowsHover(bool on) { releaseShowsHover_ = on; }

    // A press by other means than the mouse (assistive technology): clicked().
    void click();

    Picture shownPicture() const { return shown_; }
    bool hoverFlag() const { return hover_; }

    // Normal picture and flag cleared (mouse over another control, or the
    // mouse left the window).
    void resetHover();
    void showPicture(Picture picture);

signals:
    void clicked();
    void hoverTaken();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ButtonPictures pictures_;
    Picture shown_ = Picture::Normal;
    bool hover_ = false;
    bool pressed_ = false;
    bool pressNeedsHover_ = false;
    bool releaseShowsHover_ = true;
};

} // namespace korvel
