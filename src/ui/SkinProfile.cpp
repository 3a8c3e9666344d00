#include "SkinProfile.h"

namespace korvel {

QRegion SkinProfile::regionAt(int step, QSize size) const
{
    return view(step, size).region() & frame(size).region();
}

SkinProfile SkinProfile::mainWindow(int mainPanelHeight)
{
    SkinProfile p;
    p.frame = [mainPanelHeight](QSize s) {
        return SkinShape::roundRect(10, s.height() - mainPanelHeight + 1, s.width(), s.height() - 5,
                                    30, 30);
    };
    // An ellipse growing out of the window centre, 4:3 like the window.
    p.view = [](int step, QSize s) {
        const int cx = s.width() / 2;
        const int cy = s.height() / 2;
        return SkinShape::ellipse(cx - step, cy - 3 * step / 4, cx + step, cy + 3 * step / 4);
    };
    p.startStep = [](QSize) { return 1; };
    p.revealIntervalMs = 10;
    p.revealDelta = 10;
    p.revealDone = [](int step, QSize s) { return step > s.width(); };
    p.revealPumpsEvents = true;
    p.closeIntervalMs = 20;
    p.closeDelta = 15;
    p.closeEndStep = [](QSize) { return 1; };
    p.closePumpsEvents = true;
    return p;
}

SkinProfile SkinProfile::settingsDialog(int paPropertiesHeight)
{
    SkinProfile p;
    p.frame = [paPropertiesHeight](QSize s) {
        return SkinShape::roundRect(5, s.height() - paPropertiesHeight, s.width() - 5,
                                    s.height() - 5, 20, 20);
    };
    // A band growing downward from the top.
    p.view = [paPropertiesHeight](int step, QSize s) {
        return SkinShape::roundRect(5, s.height() - paPropertiesHeight, s.width(), step, 20, 20);
    };
    p.startStep = [](QSize) { return 2; };
    p.revealIntervalMs = 15;
    p.revealDelta = 10;
    p.revealDone = [](int step, QSize s) { return step > s.width() && step > s.height(); };
    p.closeIntervalMs = 20;
    p.closeDelta = 15;
    p.closeEndStep = [](QSize) { return 1; };
    return p;
}

SkinProfile SkinProfile::ioPanel(int panelCyfrInOutHeight)
{
    SkinProfile p;
    p.frame = [panelCyfrInOutHeight](QSize s) {
        return SkinShape::roundRect(10, s.height() - panelCyfrInOutHeight + 1, s.width(),
                                    s.height() - 5, 30, 30);
    };
    p.view = [panelCyfrInOutHeight](int step, QSize s) {
        return SkinShape::roundRect(10, s.height() - panelCyfrInOutHeight + 1, s.width(), step, 30,
                                    30);
    };
    p.startStep = [](QSize) { return 2; };
    p.revealIntervalMs = 15;
    p.revealDelta = 10;
    p.revealDone = [](int step, QSize s) { return step > s.height() + 3; };
    p.revealTimerName = QStringLiteral("TimerViewCyfrInOutViewForm");
    p.closeIntervalMs = 20;
    p.closeDelta = 10;
    p.closeEndStep = [](QSize) { return 1; };
    return p;
}

SkinProfile SkinProfile::transferDialog()
{
    SkinProfile p;
    p.frame = [](QSize s) {
        return SkinShape::roundRect(5, 5, s.width() - 5, s.height() - 5, 20, 15);
    };
    // A large ellipse sliding down into place, and on down and out on close.
    p.view = [](int step, QSize s) {
        return SkinShape::ellipse(-50, -50 - step, s.width() + 50, s.height() + 50 - step);
    };
    p.startStep = [](QSize s) { return s.height() + 20; };
    p.revealIntervalMs = 15;
    p.revealDelta = -3;
    p.revealDone = [](int step, QSize) { return step < 0; };
    p.revealEndStep = 0;
    p.revealTimerName = QStringLiteral("TimerViewReadWriteEEPROM");
    p.closeIntervalMs = 0;
    p.closeDelta = 3;
    p.closeEndStep = [](QSize s) { return -s.height() - 50; };
    p.closeWaitMs = 5;
    p.closePumpsEvents = true;
    return p;
}

SkinProfile SkinProfile::messagePopup()
{
    SkinProfile p;
    p.frame = [](QSize s) {
        return SkinShape::roundRect(5, 5, s.width() - 5, s.height() - 5, 20, 15);
    };
    // An ellipse centred on the top-left corner: the popup grows out of it.
    p.view = [](int step, QSize) {
        return SkinShape::ellipse(-step, -3 * step / 4, step, 3 * step / 4);
    };
    p.startStep = [](QSize) { return 1; };
    p.revealIntervalMs = 15;
    p.revealDelta = 15;
    p.revealDone = [](int step, QSize s) { return step > 2 * s.width(); };
    p.revealTimerName = QStringLiteral("TimerViewMessage");
    p.closeIntervalMs = 0;
    p.closeDelta = 2;
    p.closeEndStep = [](QSize) { return 1; };
    p.closePumpsEvents = true;
    return p;
}

} // namespace korvel
