#include "panel/PollCycle.h"

#include "device/Indicator.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/StreamFrameAssembler.h"
#include "settings/SettingsValues.h"

#include <algorithm>

namespace korvel {

namespace {

// Status bit of each lamp, in the order of the Lamp enumeration.
constexpr std::uint8_t kLampBits[STATUS_LAMP_COUNT] = {
    STATUS_STABLE, STATUS_TARE, STATUS_ZERO, STATUS_DOZ1, STATUS_DOZ2, STATUS_DOZ3, STATUS_DOZ4,
};
constexpr int kFirstDoserLamp = 3;
constexpr int kPlainLampCount = 3;
constexpr int kStreamStopSettleMs = 10; // frames already under way, before the purge
// A port not there is tried this often: an adapter plugged in is taken up within a second,
// and a failing open costs next to nothing.
constexpr int kPortRetryMs = 1000;

} // namespace

PollCycle::PollCycle(Link& link, const Uperemen& settings, PanelView& view, QObject* parent)
    : QObject(parent), link_(link), indicator_(link), settings_(settings), view_(view)
{
    TimerOprosaPribora.setObjectName(QStringLiteral("TimerOprosaPribora"));
    // A coarse timer may fire 5 % late, which would stretch the poll period by up to 16 ms.
    TimerOprosaPribora.setTimerType(Qt::PreciseTimer);
    connect(&TimerOprosaPribora, &QTimer::timeout, this, &PollCycle::TimerOprosaPriboraTimer);
    TimerPortRetry.setObjectName(QStringLiteral("TimerPortRetry"));
    TimerPortRetry.setInterval(kPortRetryMs);
    connect(&TimerPortRetry, &QTimer::timeout, this, &PollCycle::TimerPortRetryTimer);
}

bool PollCycle::isDoser() const
{
    return model() >= DOSER_FIRST_MODEL;
}

void PollCycle::enablePolling()
{
    if (shutDown_)
        return;
    const SerialPort& port = link_.port();
    // A pulled-out adapter is waited for by the ticks themselves (they show нет связи, as
    // for a silent indicator); a port that is simply not open shows its state instead.
    if (port.state() == PortState::Open ||
        (port.deviceLost() && !settings_.CommName.trimmed().isEmpty()))
        startTicking();
    else
        waitForPort();
}

void PollCycle::startTicking()
{
    if (shutDown_)
        return;
    TimerPortRetry.stop();
    TimerOprosaPribora.start(settings_.PollInterval);
}

void PollCycle::disablePolling()
{
    TimerOprosaPribora.stop();
    TimerPortRetry.stop();
}

void PollCycle::waitForPort()
{
    TimerOprosaPribora.stop();
    view_.ShowPortNotOpen(settings_.CommName);
    if (shutDown_ || settings_.CommName.trimmed().isEmpty()) {
        TimerPortRetry.stop();
        return;
    }
    if (!TimerPortRetry.isActive())
        TimerPortRetry.start();
}

void PollCycle::TimerPortRetryTimer()
{
    if (!reopenLostPort())
        return; // still not there: the port state stays on the displays
    TimerPortRetry.stop();
    // A tick at once, so the display shows the indicator rather than the port state.
    TimerOprosaPriboraTimer();
}

void PollCycle::shutDown()
{
    shutDown_ = true;
    disablePolling();
}

void PollCycle::suspendPolling()
{
    PollWasEnabled = pollingEnabled() || waitingForPort() ? 1 : 0;
    disablePolling();
}

void PollCycle::resumePolling()
{
    if (PollWasEnabled)
        enablePolling();
}

void PollCycle::resetState()
{
    LampBit.fill(false);
    LampShown.fill(false);
    IdentCurrent.fill(0);
    IdentShown.fill(0);
    FaceName = FACE_NAME_SIMPLE;
}

void PollCycle::TimerOprosaPriboraTimer()
{
    // The next tick is timed from the end of this one, however long the link takes.
    disablePolling();

    if (link_.port().deviceLost() && !reopenLostPort()) {
        // Still away: the same display as a silent indicator, no traffic, no popup.
        showNoData();
        startTicking();
        emit tickFinished();
        return;
    }

    stopStrayStream();
    if (const std::optional<DisplayReading> display = indicator_.readDisplay())
        showDisplay(*display);
    else
        showNoData();

    if (hooks.PanelInOutOpen && hooks.PanelInOutOpen()) {
        if (const std::optional<IoReading> io = indicator_.readIo(); io && hooks.UpdateInOutImages)
            hooks.UpdateInOutImages(io->inputs, io->outputs);
    }

    if (view_.versionText().isEmpty())
        readIdentification();

    startTicking();
    emit tickFinished();
}

void PollCycle::showLamp(int index, bool on)
{
    LampBit[index] = on;
    if (LampBit[index] != LampShown[index]) {
        view_.setLampVisible(static_cast<Lamp>(index), on);
        LampShown[index] = on;
    }
}

void PollCycle::showDisplay(const DisplayReading& display)
{
    if (!view_.lampVisible(Lamp::Data))
        view_.setLampVisible(Lamp::Data, true);
    const int lamps = isDoser() ? STATUS_LAMP_COUNT : kPlainLampCount;
    for (int i = 0; i < lamps; ++i)
        showLamp(i, (display.status & kLampBits[i]) != 0);
    view_.ShowDisplay(display.segments.data());
}

void PollCycle::showNoData()
{
    if (!view_.versionText().isEmpty())
        ClearVersionLabel();
    if (view_.lampVisible(Lamp::Data))
        view_.setLampVisible(Lamp::Data, false);
    const int lamps = isDoser() ? STATUS_LAMP_COUNT : kPlainLampCount;
    for (int i = 0; i < lamps; ++i) {
        if (LampBit[i]) {
            LampBit[i] = LampShown[i] = false;
            view_.setLampVisible(static_cast<Lamp>(i), false);
        }
    }
    view_.ShowNoLink();
}

void PollCycle::ClearVersionLabel()
{
    view_.setVersionText(QString());
    // Without this, the same indicator's identification would compare equal to the one
    // shown before and the label would stay empty for as long as it stays connected.
    IdentShown.fill(0);
}

void PollCycle::readIdentification()
{
    const std::optional<Identification> ident = indicator_.readIdentification();
    if (!ident) {
        // The next successful read then counts as a change and fills the label.
        if (std::any_of(IdentCurrent.begin(), IdentCurrent.end(), [](auto b) { return b != 0; })) {
            IdentCurrent.fill(0);
            IdentShown.fill(0);
        }
        return;
    }
    IdentCurrent = ident->bytes;
    if (IdentCurrent == IdentShown)
        return;
    if (hooks.identified)
        hooks.identified(IdentCurrent.data());
    view_.setVersionText(QString::asprintf("KORVEL %02u   № %02u%02u%03u",
                                           unsigned(IdentCurrent[1]), unsigned(IdentCurrent[2]),
                                           unsigned(IdentCurrent[3]), unsigned(IdentCurrent[0])));
    IdentShown = IdentCurrent;
    applyFaceRule();
}

void PollCycle::applyFaceRule()
{
    // FaceName follows the face on show, so a plain indicator connected after a doser in
    // the same run gets the plain face back.
    if (!isDoser() && FaceName == FACE_NAME_DOSER) {
        view_.SetFace(Face::Simple);
        FaceName = FACE_NAME_SIMPLE;
        for (int i = kFirstDoserLamp; i < STATUS_LAMP_COUNT; ++i) {
            view_.setLampVisible(static_cast<Lamp>(i), false);
            LampShown[i] = false;
        }
    } else if (isDoser() && FaceName == FACE_NAME_SIMPLE) {
        view_.SetFace(Face::Doser);
        FaceName = FACE_NAME_DOSER;
        for (int i = kFirstDoserLamp; i < STATUS_LAMP_COUNT; ++i) {
            view_.setLampVisible(static_cast<Lamp>(i), LampBit[i]);
            LampShown[i] = LampBit[i];
        }
    }
}

void PollCycle::stopStrayStream()
{
    // Between two ticks nothing is owed to us, so bytes waiting now came unasked. Stream
    // frames among them mean an indicator left streaming: a chart run cut off by a crash or a
    // killed program, or a stop that never arrived. It would stream on for good, filling the
    // line and garbling replies whenever a frame falls in between, and only the stop command
    // ends it. Two frames are asked for, because a single late reply to a 4-byte read can have
    // the shape of one.
    std::array<std::uint8_t, 64> waiting{};
    const std::size_t got = link_.port().readAvailable(waiting.data(), waiting.size());
    if (got == 0)
        return;
    StreamFrameAssembler frames(STREAM_DATA_COUNT);
    const int address = settings_.AdrPribor;
    if (frames.feed(address, waiting.data(), got, [](const std::uint8_t*) {}) < 2)
        return;
    indicator_.stopStream();
    link_.clock().sleepMs(kStreamStopSettleMs);
    link_.port().purgeRx();
}

bool PollCycle::reopenLostPort()
{
    // Used for an adapter pulled out and for a port that did not open (not plugged in yet).
    SerialPort& port = link_.port();
    const PortOpenResult opened = port.open(settings_.CommName.toStdString(), settings_.BaudRate,
                                            settings_.ReadTotalTimeoutConstant);
    if (opened.status != PortOpenStatus::Ok) {
        // Tried again at the next tick; nothing is held in between.
        port.close();
        return false;
    }
    if (hooks.reopened)
        hooks.reopened();
    if (hooks.portOpened)
        hooks.portOpened();
    // The indicator's own keys work again, as after start-up. Quietly: an indicator that
    // does not answer yet shows нет связи at the display read that follows.
    if (indicator_.unlockKeyboard() && hooks.keyboardUnlocked)
        hooks.keyboardUnlocked();
    return true;
}

bool PollCycle::ConnectIndicator()
{
    disablePolling();
    // The poll is on from here. A feature that paused it during the main window's reveal
    // (the settings dialog, opened in that half second) saved it as off; it is to give it
    // back on at its end, or the display would freeze.
    PollWasEnabled = 1;
    if (!hooks.openPort || !hooks.openPort()) {
        // Technicians often start the program before plugging the adapter in.
        waitForPort();
        return false;
    }
    if (hooks.portOpened)
        hooks.portOpened();
    if (!indicator_.unlockKeyboard()) {
        if (hooks.showMessage)
            hooks.showMessage(QString());
        if (hooks.bringToFront)
            hooks.bringToFront();
    }
    enablePolling();
    return true;
}

void PollCycle::ReleaseIndicator()
{
    if (!pollingEnabled())
        return;
    disablePolling();
    indicator_.unlockKeyboard();
    indicator_.setOutputControl(false);
    if (hooks.clearOutputsTakenOver)
        hooks.clearOutputsTakenOver();
}

} // namespace korvel
