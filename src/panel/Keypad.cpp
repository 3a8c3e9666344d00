#include "panel/Keypad.h"

#include "link/DeviceMap.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "panel/PollSuspend.h"
#include "panel/SvgPicture.h"
#include "settings/SettingsValues.h"

#include <QCheckBox>
#include <QMouseEvent>

namespace korvel {

Keypad::Keypad(Link& link, PollCycle& poll, FrontPanel& panel, QObject* parent)
    : QObject(parent), indicator_(link), poll_(poll), panel_(panel)
{
    TimerViewPressKeys.setObjectName(QStringLiteral("TimerViewPressKeys"));
    TimerViewPressKeys.setInterval(100);
    connect(&TimerViewPressKeys, &QTimer::timeout, this, &Keypad::TimerViewPressKeysTimer);

    for (int i = 0; i < KEY_COUNT; ++i) {
        SvgPicture* pic = picture(i);
        if (pic == nullptr)
            continue;
        connect(pic, &SvgPicture::mousePressed, this, [this, i](QMouseEvent* e) {
            if (e->button() == Qt::LeftButton)
                KeyPictureMouseDown(i);
        });
    }
}

SvgPicture* Keypad::picture(int index) const
{
    return panel_.keyPicture(QString::fromLatin1(keyTable()[index].caption));
}

void Keypad::MainImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint pos,
                                bool onMainImage)
{
    if (button != Qt::LeftButton)
        return;
    // A state of its own, not the shared one: a click on the chart panel in chart mode must
    // not overwrite what the chart saved.
    PollSuspend pause(poll_, PollSuspend::OwnState);
    indicator_.discardReceived();

    if (!inKeyField(pos.x(), pos.y())) {
        if (startDrag)
            startDrag(pos);
    }
    if (onMainImage) {
        const int index = keyAt(pos.x(), pos.y());
        if (index >= 0)
            PressKey(index, mods.testFlag(Qt::ControlModifier));
    }
}

void Keypad::PressKey(int index, bool ctrl)
{
    const KeyDef& key = keyTable()[index];
    // Drawn pressed at once. Other events are not let in here: a queued second click or a
    // close would otherwise run in the middle of this press, before its writes.
    if (SvgPicture* pic = picture(index)) {
        pic->show();
        pic->repaint();
    }

    sendBatches(chord_.press(key.group, key.bit, ctrl));
    TimerViewPressKeys.start();
}

bool Keypad::sendBatches(const std::vector<WriteBatch>& batches)
{
    bool allSent = true;
    for (const WriteBatch& batch : batches) {
        for (const RegWrite& w : batch) {
            if (!indicator_.writeRegister(w.reg, w.value)) {
                allSent = false;
                if (showMessage)
                    showMessage();
                break;
            }
        }
    }
    return allSent;
}

void Keypad::TimerViewPressKeysTimer()
{
    if (!chord_.anyPending()) {
        for (int i = 0; i < KEY_COUNT; ++i)
            if (SvgPicture* pic = picture(i))
                pic->hide();
    }
    TimerViewPressKeys.stop();
}

void Keypad::KeyPictureMouseDown(int index)
{
    const KeyDef& key = keyTable()[index];
    if (SvgPicture* pic = picture(index))
        pic->hide();
    // A single click draws its key pressed for a moment too, so a quick second click lands
    // here for a key that was never collected; the chord ignores that.
    chord_.release(key.group, key.bit);
}

void Keypad::attachLockBox(QCheckBox* box, QWidget* focusSink)
{
    lockBox_ = box;
    focusSink_ = focusSink;
    connect(box, &QCheckBox::toggled, this, &Keypad::CheckBoxBlockKeyboardClick);
}

void Keypad::CheckBoxBlockKeyboardClick()
{
    if (focusSink_ != nullptr)
        focusSink_->setFocus();
    if (reverting_) {
        reverting_ = false;
        return;
    }
    PollSuspend guard(poll_);
    if (!indicator_.lockKeyboard(lockBox_->isChecked())) {
        if (showMessage)
            showMessage();
        reverting_ = true;
        lockBox_->setChecked(!lockBox_->isChecked());
    }
}

void Keypad::keyboardUnlocked()
{
    if (lockBox_ == nullptr || !lockBox_->isChecked())
        return;
    reverting_ = true;
    lockBox_->setChecked(false);
}

bool Keypad::ButtonPustoKeyDown(int key, Qt::KeyboardModifiers mods)
{
    if (!service_.keyDown(key, mods.testFlag(Qt::ControlModifier)))
        return false;
    emit serviceCommandsToggled();
    return true;
}

} // namespace korvel
