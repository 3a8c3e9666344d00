#pragma once
#include "dio/CyfrInOutState.h"
#include "dio/IoPanel.h"
#include "dio/OutputControl.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <functional>

namespace korvel {

class Link;
class PollCycle;
struct Uperemen;

// The digital I/O panel as the rest of the program sees it: the state that outlives its
// windows, the device side (OutputControl) and the window currently open, if any. The main
// window owns one and opens and closes the strip through it; the poll reads the I/O register
// through the hooks it installs.
class IoPanelController : public QObject
{
    Q_OBJECT
public:
    IoPanelController(Link& link, const Uperemen& settings, PollCycle& poll, QWidget* mainWindow);

    CyfrInOutState state;
    OutputControl control;

    // The main window's handlers for presses, moves and releases on its face and for keys on
    // its focus sink; every window of the strip forwards to them.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> mouseDown;
    std::function<void(QPoint)> mouseMove;
    std::function<void()> mouseUp;
    std::function<void(int key, Qt::KeyboardModifiers)> keyDown;

    // Opens the strip unless it is open; a strip still rolling up is let finish first.
    void open();
    // Hands the outputs back at once if a hand-back is owed (taken over, or a take-over cut
    // off half-way), then rolls the strip up. Works without a strip too.
    void close();
    // Hands the outputs back on the link as it is now (the device's own block, then 252 ← 0)
    // and unticks the strip's box, without a popup; None when nothing was owed or all went
    // back. On a failure the box stays ticked and the copy of the block is kept.
    OutputFailure handOutputsBack();
    // After a hand-back that failed: the process lets go of the outputs, their block stays in
    // the journal for that indicator's next connection, and the strip's box is unticked
    // without a word to the indicator. False (nothing changed) when no journal holds it.
    bool leaveOutputsToJournal();
    // A journal's block was written back onto the indicator just connected.
    std::function<void(const OutputJournalEntry&)> outputsRestored;
    bool isOpen() const { return state.PanelInOutOpen; }
    TFormCyfrInOut* window() const { return window_; }

    // Called by the poll after each good read of the I/O register.
    void UpdateInOutImages(std::uint8_t inputs, std::uint8_t outputs);

    // While a memory transfer runs the strip's controls are disabled and it sends nothing.
    void setTransferLock(bool locked);

private:
    void create();
    void restoreJournalled(const std::uint8_t* ident);

    PollCycle& poll_;
    QPointer<QWidget> main_;
    QPointer<TFormCyfrInOut> window_;
    bool reopenWhenClosed_ = false;
};

} // namespace korvel
