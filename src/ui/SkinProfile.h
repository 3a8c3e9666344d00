#pragma once
// The animation and outline table of one kind of shaped window: where its
// outline lies, which shape uncovers it for a given step, and how the reveal
// and closing animations move that step. Everything here is pure arithmetic on
// the window size, so the regions of every step can be checked without a screen.
#include "SkinShape.h"

#include <QRegion>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace korvel {

struct SkinProfile
{
    // Outline (FrameRgn) for the window's current size.
    std::function<SkinShape(QSize)> frame;
    // The uncovering shape for step s (RevealStep).
    std::function<SkinShape(int step, QSize)> view;
    // RevealStep when the reveal starts.
    std::function<int(QSize)> startStep;

    // Reveal: every revealIntervalMs, step += revealDelta, then apply.
    int revealIntervalMs = 15;
    int revealDelta = 10;
    // True on the tick that ends the reveal (checked after the step moved).
    std::function<bool(int step, QSize)> revealDone;
    // If set, the step takes this value on the tick that ends the reveal.
    std::optional<int> revealEndStep;
    // Let pending events run after each reveal step.
    bool revealPumpsEvents = false;

    // Closing. With closeIntervalMs > 0 a timer ticks: "if step <= end, the
    // animation is over; else apply, step -= closeDelta". With 0 the animation
    // runs to its end inside the close request: "while step > end: apply,
    // wait closeWaitMs, step -= closeDelta".
    int closeIntervalMs = 20;
    int closeDelta = 15;
    std::function<int(QSize)> closeEndStep;
    int closeWaitMs = 0;
    bool closePumpsEvents = false;

    // Object names given to the animation timers (the windows' own names).
    QString revealTimerName = QStringLiteral("TimerViewForm");
    QString closeTimerName = QStringLiteral("TimerCloseForm");

    // Region of step s at size: view shape intersected with the outline.
    QRegion regionAt(int step, QSize size) const;

    // The windows of the program. The panel heights are those of the
    // background panel each window's outline hangs from.
    static SkinProfile mainWindow(int mainPanelHeight);
    static SkinProfile settingsDialog(int paPropertiesHeight);
    static SkinProfile ioPanel(int panelCyfrInOutHeight);
    static SkinProfile transferDialog();
    static SkinProfile messagePopup();
};

} // namespace korvel
