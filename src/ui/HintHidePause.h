#pragma once
#include <QObject>

namespace korvel {

// Keeps every hint (tool tip) of the program up for a minute, long enough to read it beside
// the device; Qt would hide a short one after ten seconds. Qt has no program-wide setting, so
// this filter, installed once on the application at start-up, gives every widget that asks for
// its hint and has not chosen a duration of its own this one (Qt then times the tip by it).
// Code that shows a tip itself with QToolTip::showText passes kHintHidePauseMs.
class HintHidePause : public QObject
{
    Q_OBJECT
public:
    static constexpr int kHintHidePauseMs = 60000;

    // Installs the filter on the running application; it lives as long as the application.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit HintHidePause(QObject* parent) : QObject(parent) {}
};

} // namespace korvel
