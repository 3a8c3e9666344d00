#include "chart/ChartController.h"

#include "chart/ChartTexts.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileWriter.h"
#include "chart/core/PeriodField.h"
#include "chart/core/StreamStop.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include <algorithm>
#include <optional>

namespace korvel {

namespace {

constexpr int kEntrySettleMs = 10;
constexpr int kScalingReadAttempts = 3;
// The stop command is repeated with growing pauses: the indicator may still be busy sending.
constexpr int kStopSettleMs = 10;
constexpr int kStopRetryPausesMs[] = {100, 300};
constexpr int kAfterStopMs = 50;

} // namespace

ChartController::ChartController(Link& link, Uperemen& settings, ChartControls& controls,
                                 PollCycle& poll, ChartSink& sink, QObject* parent)
    : QObject(parent), link_(link), indicator_(link), settings_(settings), controls_(controls), poll_(poll),
      acquisition_(sink), filters_(link, settings, controls),
      reception_(link.port(), settings, this)
{
    acquisition_.setKeyAutomatic(controls_.smoothScroll());
    acquisition_.onDelayLabel = [this](const QString& text, bool visible) {
        emit delayLabelChanged(text, visible);
    };
    // The chart first: a sink added later (the recording) sees a sample the chart already shows.
    reception_.addSink(acquisition_);
    // An adapter pulled out during a run ends it as "Стоп" would, once reception has unwound.
    reception_.onDeviceLost = [this] {
        QMetaObject::invokeMethod(this, &ChartController::stopRun, Qt::QueuedConnection);
    };
}

bool ChartController::portOpen()
{
    if (link_.port().state() == PortState::Open)
        return true;
    return hooks.openPort && hooks.openPort();
}

void ChartController::setMode(Mode mode)
{
    if (mode == mode_)
        return;
    mode_ = mode;
    emit modeChanged(mode_);
}

void ChartController::setFilterControlsEnabled(bool enabled)
{
    if (enabled == filterControlsEnabled_)
        return;
    filterControlsEnabled_ = enabled;
    emit filterControlsEnabledChanged(enabled);
}

bool ChartController::saveOffered() const
{
    return !acquisition_.weightPoints().empty() && ChartDataSource != ChartTexts::dataFromFile();
}

// --- data to and from files ---------------------------------------------------------------------

ChartFileData ChartController::fileData() const
{
    ChartFileData data;
    // A field left empty or half typed would make a file that cannot be read back: the period
    // in force is written then.
    data.periodText = PeriodField::value(controls_.periodText())
                          ? controls_.periodText()
                          : PeriodField::format(settings_.PeriodACP);
    data.filter1 = controls_.filter1();
    data.inputMask = acquisition_.inputMask();
    data.secondsPerPoint = acquisition_.SecondsPerPoint();
    const auto& points = acquisition_.weightPoints();
    data.points.assign(points.begin(), points.end());
    if (acquisition_.recordsCoverPoints()) {
        const InputRecords& records = acquisition_.DInputRecords();
        data.inputs.reserve(std::size_t(records.size()));
        for (int i = 0; i < records.size(); ++i)
            data.inputs.push_back(records.byte(i));
    }
    return data;
}

void ChartController::showFileData(const ChartFileContents& file)
{
    ChartDataSource = ChartTexts::dataFromFile();
    emit fileLabelsHidden();
    emit fileTracesStyled(file.form == ChartFileContents::Form::OlderChart);

    ChartAcquisition::ShownData data;
    data.points = file.points;
    std::vector<double> xs;
    xs.reserve(file.points.size());
    for (const ChartPoint& p : file.points)
        xs.push_back(p.x);
    data.timeTexts = PointTimeTexts(xs, file.times);
    data.traceMask = file.traceMask;
    data.traceBytes = file.traceBytes;
    data.units =
        FigureUnits::ofFile(file.weightDecimals, file.form != ChartFileContents::Form::Plain);
    if (!file.points.empty()) {
        const auto [leastY, greatestY] =
            std::minmax_element(file.points.begin(), file.points.end(),
                                [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; });
        data.valueAxis = FileValueRange(leastY->y, greatestY->y);
        const auto [leastX, greatestX] =
            std::minmax_element(file.points.begin(), file.points.end(),
                                [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
        data.keyMin = int(leastX->x);
        data.keyMax = int(greatestX->x);
    }
    acquisition_.showData(data);
}

// --- entering and leaving ---------------------------------------------------------------------

void ChartController::enter()
{
    if (mode_ != Mode::Off || !portOpen())
        return;
    stopStreamLeftRunning();
    poll_.suspendPolling();
    SavedReadTimeout = link_.port().readTimeoutMs();
    link_.clock().sleepMs(kEntrySettleMs);
    link_.port().purgeRx();

    if (!filters_.FilterCheckIn()) {
        poll_.resumePolling();
        return;
    }
    readScaling();
    acquisition_.clearSeries();
    acquisition_.resetAxesForEntry();

    setMode(Mode::Idle);
    if (hooks.showChartView)
        hooks.showChartView();
    if (hooks.closeIoPanel)
        hooks.closeIoPanel();
}

void ChartController::readScaling()
{
    // Read from whatever page is selected: both parameters sit at the same offsets of the
    // pages the indicator leaves selected.
    auto readByte = [&](std::uint8_t offset) -> std::optional<std::uint8_t> {
        for (int attempt = 0; attempt < kScalingReadAttempts; ++attempt)
            if (const std::optional<std::uint8_t> value = indicator_.readMemoryByte(offset))
                return value;
        return std::nullopt;
    };
    const auto decimals = readByte(MEM_DECIMALS);
    const auto discreteness = readByte(MEM_DISCRETENESS);
    acquisition_.setScaling(WeightScalingFor(decimals, discreteness));
}

void ChartController::leave()
{
    if (mode_ != Mode::Idle)
        return;
    if (hooks.focusToButtonPusto)
        hooks.focusToButtonPusto();
    if (hooks.restoreShapedWindow)
        hooks.restoreShapedWindow();
    emit fileLabelsHidden();
    setMode(Mode::Off);

    // Whatever fails below, the front panel polls again: a frozen mirror would pass for an
    // indicator that stopped, while a dead link shows itself as such on the next tick.
    bool restored = true;
    if (link_.port().deviceLost()) {
        restored = false; // nothing to restore on: the poll reopens the port once it is back
    } else if (link_.port().readTimeoutMs() != SavedReadTimeout && !restoreReadTimeout()) {
        if (hooks.showPortMessage)
            hooks.showPortMessage();
        restored = false;
    }
    if (restored && filters_.FilterRestore() && hooks.openIoPanelIfWanted)
        hooks.openIoPanelIfWanted();
    // With the port open (also when the chart itself opened it, the program having started
    // without it) the front panel polls.
    if (link_.port().state() == PortState::Open)
        poll_.enablePolling();
    else
        poll_.resumePolling();
}

void ChartController::panelDoubleClicked()
{
    if (mode_ == Mode::Idle)
        leave();
}

void ChartController::windowClosing()
{
    if (mode_ == Mode::Idle)
        filters_.FilterRestore();
}

bool ChartController::restoreReadTimeout()
{
    SerialPort& port = link_.port();
    if (SavedReadTimeout >= 0 && !port.setReadTimeout(SavedReadTimeout))
        return false;
    return port.state() == PortState::Open && !port.deviceLost();
}

// --- a run
// ----------------------------------------------------------------------------------------

void ChartController::puskStop()
{
    if (hooks.focusToButtonPusto)
        hooks.focusToButtonPusto();
    emit fileLabelsHidden();
    if (mode_ == Mode::Running) {
        stopRun();
        return;
    }
    if (mode_ != Mode::Idle || !portOpen())
        return;
    emit runRequested();
    stopStreamLeftRunning();

    filter1Changed(controls_.filter1());
    acquisition_.clearSeries();
    ChartDataSource = ChartTexts::dataFromDevice();

    setFilterControlsEnabled(false);
    // A start that ends early leaves the filter controls usable: no run holds them.
    if (!filters_.FilterApply()) {
        setFilterControlsEnabled(true);
        return;
    }
    const RunTiming timing =
        RunTimingFor(settings_.PeriodACP, controls_.timeOnGraph(), settings_.Filter1,
                     controls_.filter1(), settings_.Checkweigher);
    settings_.WindowPoints = timing.windowPoints;
    // The mask and the delay hold for the whole run: traces, records and points stay aligned.
    const std::uint8_t mask = settings_.NumDInputOnGraphicMask;
    emit runStarting(mask);
    const ChartRunSetup run{timing, mask, settings_.ZaderzhkaSignDInputs};
    acquisition_.beginRun(run);

    link_.port().purgeRx();
    if (!indicator_.startStream()) {
        // A garbled acknowledgement does not mean the start was lost: the indicator may be
        // streaming already, and its frames would then meet the next "Пуск" or filter write.
        stopStreamAfterFailedStart();
        setFilterControlsEnabled(true);
        return;
    }
    setMode(Mode::Running);
    reception_.start(acquisition_.scaling(), run);
}

void ChartController::stopRun()
{
    if (mode_ != Mode::Running)
        return;
    // Frames that came before the stop are still plotted.
    reception_.readAvailable();
    reception_.stop();
    setMode(Mode::Stopping);
    stopSequence();
    setFilterControlsEnabled(true);

    // The run is over either way: after the port message the chart is idle again, so the
    // window can be left and closed.
    if (link_.port().deviceLost())
        streamLeftRunning_ = true; // the stop never reached the indicator
    const bool restored = restoreReadTimeout();
    setMode(Mode::Idle);
    // A device that went away is no port whose parameters failed: "Пуск" reopens it, and the
    // poll does once the chart is left.
    if (!restored && !link_.port().deviceLost() && hooks.showPortMessage)
        hooks.showPortMessage();
}

void ChartController::stopStreamLeftRunning()
{
    if (!streamLeftRunning_ || link_.port().state() != PortState::Open)
        return;
    streamLeftRunning_ = false;
    stopSequence();
}

void ChartController::stopStreamAfterFailedStart()
{
    if (link_.port().deviceLost()) {
        streamLeftRunning_ = true; // stopped once the port is back
        return;
    }
    stopSequence();
}

void ChartController::stopSequence()
{
    Clock& clock = link_.clock();
    SerialPort& port = link_.port();
    indicator_.stopStream();
    clock.sleepMs(kStopSettleMs);
    port.purgeRx();
    SendStreamStop(indicator_, kStopRetryPausesMs);
    clock.sleepMs(kAfterStopMs);
    port.purgeRx();
}

// --- controls
// ---------------------------------------------------------------------------------------

void ChartController::timeWindowChanged(int seconds)
{
    controls_.setTimeOnGraph(seconds);
    settings_.TimeOnGraph = controls_.timeOnGraph();
    settings_.WindowPoints =
        WindowPointsFor(settings_.TimeOnGraph, settings_.PeriodACP, settings_.Filter1,
                        controls_.filter1(), settings_.Checkweigher);
    acquisition_.setTimeWindow(settings_.WindowPoints);
}

void ChartController::filter1Changed(int value)
{
    controls_.setFilter1(value);
    const int window =
        SlowFilterTimeWindow(controls_.filter1(), controls_.timeOnGraph(), settings_.Checkweigher);
    if (window != controls_.timeOnGraph()) {
        timeWindowChanged(window);
        emit controlsChanged();
    }
}

void ChartController::filter2Changed(int value)
{
    controls_.setFilter2(value);
}

void ChartController::stabBndChanged(int value)
{
    controls_.setStabBnd(value);
}

void ChartController::smoothScrollChanged(bool on)
{
    controls_.setSmoothScroll(on);
    settings_.ChartBottomAxisAutomatic = on;
    acquisition_.setKeyAutomatic(on);
}

void ChartController::periodEdited(const QString& text)
{
    controls_.setPeriodText(text);
    // Only a period the field accepts is taken: 0 would divide the window size by zero.
    if (const auto v = PeriodField::value(text)) {
        settings_.PeriodACP = *v;
        settings_.PeriodACPSec = *v * 0.001;
    }
}

ChartController::PeriodExit ChartController::periodLeft(const QString& text)
{
    const PeriodField::Exit exit = PeriodField::onExit(text, settings_.PeriodACPText);
    if (exit.text != text)
        periodEdited(exit.text);
    return {exit.text, exit.keepFocus};
}

} // namespace korvel
