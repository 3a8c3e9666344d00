#pragma once
#include "chart/core/ChartPoint.h"
#include "chart/core/ChartTiming.h"
#include "chart/core/InputTraces.h"

#include <cstdint>

namespace korvel {

// What a run is started with, for the whole run: traces, records and points stay aligned.
struct ChartRunSetup
{
    RunTiming timing;
    std::uint8_t inputMask = 0; // inputs drawn; fixed for the whole run
    int inputDelay = 0;         // samples of delay of the input byte; fixed too
};

// One stream frame of a run, decoded once: everything the chart and the recording need of it,
// so that nothing downstream reads a sample back out of the chart.
struct ChartSample
{
    // Samples before this one in the run (the ones that only filled the input delay line
    // included): the point's X and the file's point number.
    int number = 0;
    // Its time: number × the run's seconds per point (the file's time column).
    double seconds = 0.0;
    // The weight in display units.
    double weight = 0.0;
    // The input byte that goes with it (bit k-1: input k), taken from the delay line when one
    // is in use; the frame's own byte otherwise.
    std::uint8_t inputs = 0;
    // Samples the input delay line still waits for, this one included: such a sample only
    // fills the line and is counted, not plotted nor recorded. 0 from the first point on.
    int delayLeft = 0;

    bool plotted() const { return delayLeft == 0; }
    ChartPoint point() const { return {double(number), weight}; }
};

// Where decoded samples go, in the order they came (the chart's acquisition, the recording).
// Called once per frame from the reception: must be cheap.
class ChartSampleSink
{
public:
    virtual ~ChartSampleSink() = default;
    virtual void addSample(const ChartSample& sample) = 0;
};

// Turns a run's stream frames into samples: numbering, the weight's scale, the input delay line.
class ChartSampleDecoder
{
public:
    // A new run: numbering from 0 and a fresh delay line (none without inputs drawn).
    void beginRun(const WeightScaling& scaling, const ChartRunSetup& setup);
    // The sample of a frame's four data bytes.
    ChartSample decode(const std::uint8_t* data);

private:
    double weightScale_ = 0.0;
    double secondsPerPoint_ = 0.0;
    bool delayed_ = false;
    int counter_ = 0;
    InputDelayLine delay_;
};

} // namespace korvel
