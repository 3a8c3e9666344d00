#pragma once
#include "device/Indicator.h"
#include "panel/KeyChord.h"
#include "panel/ServiceSequence.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

class QCheckBox;

namespace korvel {

class FrontPanel;
class Link;
class PollCycle;
class SvgPicture;

// The keys on the face picture: a click presses the key on the indicator, Ctrl-clicks
// collect a chord, the lock box locks the indicator's own keyboard, and a hidden key
// sequence shows the service commands.
class Keypad : public QObject
{
    Q_OBJECT
public:
    Keypad(Link& link, PollCycle& poll, FrontPanel& panel, QObject* parent = nullptr);

    // Shows the message popup with its default text (a write was not acknowledged).
    std::function<void()> showMessage;
    // A press outside the key field starts dragging the window; the point is in the
    // pressed control's coordinates.
    std::function<void(QPoint)> startDrag;

    // Ends the pressed look of a single click (100 ms).
    QTimer TimerViewPressKeys;

    // Mouse-down on the face (onMainImage) or on the chart panel; pos in MainImage
    // coordinates (window coordinates plus 8 in y).
    void MainImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint pos,
                            bool onMainImage);
    // Presses key `index` of keyTable().
    void PressKey(int index, bool ctrl);
    void TimerViewPressKeysTimer();
    // Mouse-down on a key drawn pressed: takes it out of the chord.
    void KeyPictureMouseDown(int index);

    // The lock box. Wire its toggled signal here: a change made to revert a refused
    // lock also comes back through this handler, which then only clears the mark.
    void attachLockBox(QCheckBox* box, QWidget* focusSink);
    void CheckBoxBlockKeyboardClick();
    // The indicator's keyboard was unlocked by someone else (a reconnect): the box is
    // cleared without sending anything.
    void keyboardUnlocked();

    // A key-down on the focus sink; true when it completes the service sequence.
    bool ButtonPustoKeyDown(int key, Qt::KeyboardModifiers mods);

    const KeyChord& chord() const { return chord_; }

signals:
    // The service commands are to be shown or hidden.
    void serviceCommandsToggled();

private:
    bool sendBatches(const std::vector<WriteBatch>& batches);
    SvgPicture* picture(int index) const;

    Indicator indicator_;
    PollCycle& poll_;
    FrontPanel& panel_;
    KeyChord chord_;
    ServiceSequence service_;
    QCheckBox* lockBox_ = nullptr;
    QWidget* focusSink_ = nullptr;
    bool reverting_ = false;
};

} // namespace korvel
