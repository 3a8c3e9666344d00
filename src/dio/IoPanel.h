#pragma once
// TFormCyfrInOut: the digital I/O strip docked under the main window. Five input lamps,
// eight output lamps and the box that takes the outputs over; once taken over, a click on
// an output lamp switches that output on the indicator. The strip unrolls from its top
// edge when it opens and rolls up when it closes; it follows every move of the main window,
// and a drag on its background drags the main window (the strip comes along).
//
// Created afresh for every opening and deleted when closed; what must outlive it is in
// CyfrInOutState.
#include "dio/CyfrInOutState.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace korvel {

class OutputControl;
class PollCycle;
class SkinnedWindow;
class SvgPicture;

class TFormCyfrInOut : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize kDesignSize{555, 92};
    // Where the strip hangs: this far below the main window's top edge.
    static constexpr int kDockOffset = 395;

    // Runs FormCreate: docks under mainWindow, marks the panel open, ticks the box again
    // when the outputs are still taken over, draws the lamps and starts the reveal.
    TFormCyfrInOut(CyfrInOutState& state, OutputControl& control, PollCycle& poll,
                   QWidget* mainWindow);
    ~TFormCyfrInOut() override;

    // The main window's handlers for its face picture; presses, moves and releases on the
    // strip's background go there with the strip's own coordinates, key presses on the focus
    // sink go to the keyboard handler.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> mouseDown;
    std::function<void(QPoint)> mouseMove;
    std::function<void()> mouseUp;
    std::function<void(int key, Qt::KeyboardModifiers)> keyDown;

    // Redraws the lamps of a byte that changed since the last call.
    void UpdateInOutImages(std::uint8_t inputs, std::uint8_t outputs);
    // Left, top and width from the main window.
    void dock();
    // While a memory transfer runs: box and output lamps disabled.
    void setTransferLock(bool locked);
    // The process let go of the outputs without a release (their block waits in the journal):
    // the box unticked and the lamps inoperable, nothing sent.
    void showReleased();

    // Whether a click on the output lamps switches outputs (the hand cursor shows it).
    bool outputsOperable() const { return outputsOperable_; }

    QWidget* PanelCyfrInOut() const { return panel_; }
    QGroupBox* GroupBox1() const { return groupInputs_; }
    QGroupBox* GroupBox2() const { return groupOutputs_; }
    SvgPicture* imInput(int i) const { return inputs_.at(i); }
    SvgPicture* imOutput(int i) const { return outputs_.at(i); }
    SvgPicture* imOutputOreol(int i) const { return halos_.at(i); }
    QCheckBox* CheckBoxCyfrOut() const { return checkBox_; }
    QPushButton* ButtonPusto() const { return buttonPusto_; }
    QTimer& TimerOreol() { return timerOreol_; }
    SkinnedWindow& skin() const { return *skin_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void connectSignals();
    void CheckBoxCyfrOutClick();
    void setOutputsOperable(bool on);
    void showInputs(std::uint8_t inputs);
    void showOutputs(std::uint8_t outputs);
    void outputMouseDown(int n);
    void TimerOreolTimer();
    void onRevealFinished();
    int outputIndex(QObject* watched) const;

    CyfrInOutState& state_;
    OutputControl& control_;
    PollCycle& poll_;
    QPointer<QWidget> main_;

    QWidget* panel_ = nullptr;
    QGroupBox* groupInputs_ = nullptr;
    QGroupBox* groupOutputs_ = nullptr;
    std::array<SvgPicture*, 5> inputs_{};
    std::array<SvgPicture*, 8> outputs_{};
    std::array<SvgPicture*, 8> halos_{};
    QCheckBox* checkBox_ = nullptr;
    QPushButton* buttonPusto_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
    QTimer timerOreol_;

    bool outputsOperable_ = false;
    // The next change of the box comes from turning it back after a failure: ignore it.
    bool IgnoreNextTakeOverClick = false;
    int HaloIndex = 0;
    int pressedOutput_ = -1;
    bool shownOnce_ = false;
};

} // namespace korvel
