#pragma once
#include "settings/SettingsMessages.h"
// TFormMessage: the small modal popup through which every failure reaches the
// user. A dark red rounded window with a white centred text and an OK button;
// it grows out of its top-left corner, shrinks back into it when dismissed and
// can be dragged by its background. The keyboard cannot dismiss it: the focus
// sits on the hidden ButtonPusto and OK is neither default nor cancel button.
#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace korvel {

class SkinnedWindow;

class TFormMessage : public QDialog
{
    Q_OBJECT
public:
    // The design text: the link failure message.
    static QString defaultText();
    static constexpr QSize kDesignSize{205, 103};

    // Layout for a growth triple: extra width, shift of OK to the right, extra
    // height. The label keeps its top and grows with the popup; OK keeps its
    // distance from the bottom edge.
    struct Geometry
    {
        QSize size;
        QRect label;
        QRect okButton;
    };
    static Geometry geometryFor(int growW, int growOkX, int growH);

    // The extra width a text needs so that its widest line fits the label with a small
    // margin each side; never less than `growW`. For texts that carry a name of the user's
    // (a long device path), which a fixed growth would cut.
    static int growthToFit(const QString& text, int growW);

    explicit TFormMessage(QWidget* parent = nullptr);

    // The text (lines break only at '\n'; what does not fit is cut) and growth.
    void setMessage(const QString& text, int growW = 0, int growOkX = 0, int growH = 0);

    QFrame* paMessage() const { return paMessage_; }
    QLabel* laMessage() const { return laMessage_; }
    QPushButton* BitBtnOK() const { return BitBtnOK_; }
    QPushButton* ButtonPusto() const { return ButtonPusto_; }
    QTimer* TimerViewMessage() const;
    SkinnedWindow* skin() const { return skin_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupUi();

    QFrame* paMessage_ = nullptr;
    QLabel* laMessage_ = nullptr;
    QPushButton* BitBtnOK_ = nullptr;
    QPushButton* ButtonPusto_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
};

// Shows a fresh popup modally over the main window (registered with
// SkinnedWindow::setMainWindow; over the screen while there is none) and
// returns once it has closed. Other timers keep running meanwhile. Callers
// that pass a longer text grow the popup to fit it and pass half the extra
// width as the OK shift so the button stays centred. A window that stays on top of the main
// window (the transfer dialog) passes itself as the owner, so the popup shows above it; the
// popup is still placed over the main window.
void ShowFormMessage(const QString& text = TFormMessage::defaultText(), int growW = 0,
                     int growOkX = 0, int growH = 0, QWidget* owner = nullptr);

// A popup grown to fit the text: wide enough for its widest line, tall enough for its lines.
PopupMessage FittedMessage(const QString& text);

} // namespace korvel
