#include "sim/DigitalIo.h"

namespace korvel::sim {

DigitalIo::DigitalIo(unsigned seed) : rng_(seed ^ 0x5EEDu)
{
    std::uniform_real_distribution<double> first(0.5, 6.0);
    for (double& t : nextToggle_)
        t = first(rng_);
    inputs_ = 0x01; // input 1 (say, a door switch) starts closed
}

void DigitalIo::advanceTo(double t)
{
    if (t <= t_)
        return;
    t_ = t;
    // Each input keeps its state for 2..12 s: slow enough to watch, often enough to see.
    std::uniform_real_distribution<double> hold(2.0, 12.0);
    for (int i = 0; i < INPUTS; ++i) {
        int flips = 0;
        while (nextToggle_[i] <= t_ && flips < 64) {
            inputs_ ^= static_cast<std::uint8_t>(1u << i);
            nextToggle_[i] += hold(rng_);
            ++flips;
        }
        if (nextToggle_[i] <= t_)
            nextToggle_[i] = t_ + hold(rng_);
    }
}

void DigitalIo::setPcControl(bool on)
{
    // Taken over, the outputs start off until the PC says otherwise.
    if (on && !pcControl_)
        pcOutputs_ = 0;
    pcControl_ = on;
}

bool DigitalIo::setPcOutputs(std::uint8_t value)
{
    if (!pcControl_)
        return false;
    pcOutputs_ = value;
    return true;
}

std::uint8_t DigitalIo::outputs(const Events& events, const std::uint8_t* config) const
{
    if (pcControl_)
        return pcOutputs_;
    std::uint8_t out = 0;
    for (int i = 0; i < OUTPUTS; ++i) {
        const std::uint8_t c = config[i];
        bool on = false;
        if (c == OUT_STABLE)
            on = events.stable;
        else if (c == OUT_TARE)
            on = events.tare;
        else if (c == OUT_ZERO)
            on = events.zero;
        else if (c == OUT_LOADED)
            on = events.loaded;
        else if (c >= OUT_INPUT_FIRST && c < OUT_INPUT_FIRST + INPUTS)
            on = (inputs() >> (c - OUT_INPUT_FIRST)) & 1;
        if (on)
            out |= static_cast<std::uint8_t>(1u << i);
    }
    return out;
}

} // namespace korvel::sim
