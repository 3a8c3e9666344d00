#include "chart/core/ChartSample.h"

namespace korvel {

void ChartSampleDecoder::beginRun(const WeightScaling& scaling, const ChartRunSetup& setup)
{
    weightScale_ = scaling.weightScale;
    secondsPerPoint_ = setup.timing.secondsPerPoint;
    delay_ = InputDelayLine(setup.inputMask != 0 ? setup.inputDelay : 0);
    delayed_ = delay_.delay() > 0;
    counter_ = 0;
}

ChartSample ChartSampleDecoder::decode(const std::uint8_t* data)
{
    ChartSample s;
    s.number = counter_++;
    s.seconds = s.number * secondsPerPoint_;
    s.weight = DecodeWeightCount(data) * weightScale_;
    s.inputs = data[3];
    if (delayed_) {
        if (delay_.filling(s.number)) {
            delay_.fill(s.number, s.inputs);
            s.delayLeft = delay_.delay() - s.number;
            return s;
        }
        s.inputs = delay_.pass(s.inputs);
    }
    return s;
}

} // namespace korvel
