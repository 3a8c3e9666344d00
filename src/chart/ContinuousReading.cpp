#include "chart/ContinuousReading.h"

#include "chart/ChartController.h"
#include "chart/ChartTexts.h"
#include "chart/core/ChartTiming.h"
#include "chart/core/StreamStop.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "settings/SettingsValues.h"

#include <algorithm>

namespace korvel {

namespace {

// The stop command is repeated after these pauses while the indicator does not acknowledge it
// (frames still on the line may take the place of the acknowledgement).
constexpr int kStopRetryPausesMs[] = {200, 500};
constexpr int kMinWindowPoints = 3;
// The interval comes from a duration measured to the millisecond over 1000 intervals: more
// decimals than three in its labels would only show noise.
constexpr int kLabelDecimals = 3;

} // namespace

ContinuousReading::ContinuousReading(ChartController& chart, Uperemen& settings, QObject* parent)
    : QObject(parent), chart_(chart), settings_(settings)
{
}

void ContinuousReading::btnContiniousReadingClick()
{
    if (busy_ || !chart_.chartShown() || !chart_.mayReplaceData())
        return;
    setBusy(true);
    emit timeTextChanged(BurstDurationText(0.0));
    chart_.hideFileLabels();
    read();
    setBusy(false);
    if (measurement_.samples == 0 && attempted_ && showLinkFailure)
        showLinkFailure();
}

void ContinuousReading::setBusy(bool busy)
{
    busy_ = busy;
    emit busyChanged(busy);
}

void ContinuousReading::read()
{
    attempted_ = false;
    measurement_ = {};
    if (!chart_.portOpen())
        return;
    ChartAcquisition& acquisition = chart_.acquisition();
    acquisition.clearSeries();
    settings_.WindowPoints = std::max(kMinWindowPoints, settings_.WindowPoints);

    Indicator& indicator = chart_.indicator();
    SerialPort& port = chart_.link().port();
    Clock& clock = indicator.clock();
    port.purgeRx();
    if (!indicator.startStream()) {
        // The start may have reached the indicator though its acknowledgement did not come
        // back: stop what may be streaming, so the next action starts from a quiet line.
        chart_.stopStreamAfterFailedStart();
        port.purgeRx();
        return;
    }
    attempted_ = true;

    const double weightScale = acquisition.scaling().weightScale;
    std::vector<std::chrono::steady_clock::time_point> stamps;
    std::vector<double> weights;
    stamps.reserve(kSamples);
    weights.reserve(kSamples);
    auto lastHeard = clock.now();
    const auto silenceLimit = std::chrono::milliseconds(kSilenceLimitMs);
    for (int i = 0; i < kSamples; ++i) {
        if (const auto frame = indicator.receiveStreamFrame()) {
            // Stamped before anything else is done with the frame.
            lastHeard = clock.now();
            stamps.push_back(lastHeard);
            weights.push_back(DecodeWeightCount(frame->data()) * weightScale);
        } else if (clock.now() - lastHeard >= silenceLimit) {
            break;
        }
    }
    measurement_ = MeasureBurst(stamps);
    emit timeTextChanged(BurstDurationText(measurement_.duration()));
    sendStop();

    ChartAcquisition::ShownData data;
    data.points.reserve(weights.size());
    for (std::size_t d = 0; d < weights.size(); ++d)
        data.points.push_back({double(d), weights[d]});
    data.secondsPerPoint = measurement_.interval;
    data.labelDecimals = kLabelDecimals;
    if (!weights.empty()) {
        const auto [least, greatest] = std::minmax_element(weights.begin(), weights.end());
        data.valueAxis = BurstValueRange(*least, *greatest);
        // The points are the indicator's: they can be saved like a run's.
        chart_.ChartDataSource = ChartTexts::dataFromDevice();
    }
    data.keyMin = 0;
    data.keyMax = settings_.WindowPoints;
    acquisition.showData(data);
    port.purgeRx();
}

void ContinuousReading::sendStop()
{
    SendStreamStop(chart_.indicator(), kStopRetryPausesMs);
}

} // namespace korvel
