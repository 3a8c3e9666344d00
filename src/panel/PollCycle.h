#pragma once
#include "device/Indicator.h"
#include "panel/PanelView.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>

namespace korvel {

class Link;
struct Uperemen;

// What the poll needs from the rest of the program. Every member may be left empty.
struct PollHooks
{
    // Opens the port with the user's settings and reports its own failures; true when open.
    std::function<bool()> openPort;
    // Shows the message popup; an empty text means its default text.
    std::function<void(const QString&)> showMessage;
    std::function<void()> bringToFront;
    // The digital I/O panel: open or not, and its lamps redrawn from inputs and outputs.
    std::function<bool()> PanelInOutOpen;
    std::function<void(std::uint8_t inputs, std::uint8_t outputs)> UpdateInOutImages;
    // Forgets that the PC drives the outputs (they were just handed back).
    std::function<void()> clearOutputsTakenOver;
    // The port of a pulled-out adapter is open again, before anything is sent on it.
    std::function<void()> reopened;
    // The port was opened for the indicator (start-up, a replugged adapter, new settings):
    // called before the keyboard unlock, so what must reach the indicator first goes first.
    std::function<void()> portOpened;
    // An indicator other than the one shown answered the identification read (four bytes of
    // REG_IDENT): connected, switched on, or another address.
    std::function<void(const std::uint8_t* ident)> identified;
    // The indicator's own keyboard was unlocked by a reconnect (the lock box follows).
    std::function<void()> keyboardUnlocked;
};

// The loop that keeps the front panel a mirror of the indicator: every PollInterval ms
// it reads the display register and draws it, reads the digital I/O while that panel is
// open and the identification while none is shown. It also owns the rule by which other
// features take the link over (suspendPolling / resumePolling, PollSuspend).
class PollCycle : public QObject
{
    Q_OBJECT
public:
    PollCycle(Link& link, const Uperemen& settings, PanelView& view, QObject* parent = nullptr);

    PollHooks hooks;

    // Created stopped; runs at the settings' PollInterval while polling is on.
    QTimer TimerOprosaPribora;
    // Runs about once a second while the poll waits for a port that would not open: the
    // displays show the port state, and each tick tries the port quietly.
    QTimer TimerPortRetry;

    // The saved enabled state of the poll (ticking, or waiting for its port): ONE byte shared
    // by every feature that suspends polling. Suspensions therefore do not nest: a feature
    // that starts while another has polling suspended saves "off" and leaves polling off at
    // its end.
    std::uint8_t PollWasEnabled = 0;

    std::array<bool, STATUS_LAMP_COUNT> LampBit{};
    std::array<bool, STATUS_LAMP_COUNT> LampShown{};
    std::array<std::uint8_t, 4> IdentCurrent{}; // i0..i3 as read last
    std::array<std::uint8_t, 4> IdentShown{};   // i0..i3 behind the version label
    QString FaceName = FACE_NAME_SIMPLE;        // the face on show

    // One poll tick. While the port's device is away (an adapter pulled out) the tick
    // tries to reopen the same port quietly and shows нет связи until it is back.
    void TimerOprosaPriboraTimer();

    // Opens the port, gives the indicator its keyboard back and starts polling; with the
    // port closed the displays show so and the poll waits for the port (waitForPort).
    // Returns whether the port is open.
    bool ConnectIndicator();
    // Before the port is closed at exit: while polling runs, stops it, unlocks the
    // indicator's keyboard and hands its outputs back.
    void ReleaseIndicator();

    // Empties the version label so that the identification is read and shown again, even
    // when the same indicator stays connected.
    void ClearVersionLabel();

    // The model number of the identification read last (a signed byte: 128 and above
    // count as plain indicators).
    int model() const { return static_cast<std::int8_t>(IdentCurrent[1]); }
    bool isDoser() const;

    // Ticks are running (not merely waiting for the port).
    bool pollingEnabled() const { return TimerOprosaPribora.isActive(); }
    // The port would not open; its state is on the displays and it is tried once a second.
    bool waitingForPort() const { return TimerPortRetry.isActive(); }
    // Polling on: ticks while the port is open (or its adapter was pulled out, which the tick
    // waits for); otherwise waitForPort.
    void enablePolling();
    // Polling off, waiting for the port included.
    void disablePolling();
    // The port does not open: its state on the displays, and the configured port tried
    // quietly about once a second (no popup per try). Once it opens, the indicator's keyboard
    // is unlocked and the ticks start, as after a replug. With no port named there is
    // nothing to try.
    void waitForPort();

    // The shared rule: save whether the poll was on in PollWasEnabled and stop it; later
    // switch it on again only if PollWasEnabled says it was.
    void suspendPolling();
    void resumePolling();

    // The window is closing and the port is gone: polling stays off for good, whatever a
    // feature that suspended it (and is still unwinding) would restore.
    void shutDown();

    // Start-up state: lamps dark, no identification, the simple face name.
    void resetState();

signals:
    // After every tick, for observers such as benchmarks.
    void tickFinished();

private:
    void showDisplay(const DisplayReading& display);
    void showNoData();
    void readIdentification();
    // Opens the configured port quietly; once open, the indicator's keyboard is unlocked.
    bool reopenLostPort();
    void TimerPortRetryTimer();
    void startTicking();
    // Stops the indicator's stream when stream frames came unasked since the last tick.
    void stopStrayStream();
    void applyFaceRule();
    void showLamp(int index, bool on);

    Link& link_;
    Indicator indicator_;
    const Uperemen& settings_;
    PanelView& view_;
    bool shutDown_ = false;
};

} // namespace korvel
