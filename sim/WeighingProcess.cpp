#include "sim/WeighingProcess.h"

#include <algorithm>
#include <cmath>

namespace korvel::sim {

namespace {

constexpr double STEP = 0.005;      // integration step, s
constexpr double LAG = 0.35;        // time constant of the weight following the load, s
constexpr double NOISE_STEPS = 0.4; // noise at filter 0, in display steps

} // namespace

WeighingProcess::WeighingProcess(unsigned seed) : rng_(seed)
{
}

void WeighingProcess::holdLoad(std::optional<double> load)
{
    held_ = load;
    if (held_) {
        load_ = *held_;
        weight_ = *held_;
        noise_ = 0.0;
    }
}

void WeighingProcess::setSignal(const TestSignal& signal)
{
    signal_ = signal;
    signalSteps_ = 0;
    if (signal_.on) {
        // From the start of time: the square wave's first stretch is the empty scale.
        signalSteps_ = signal_.stepPeriodSec > 0.0 ? long(t_ / signal_.stepPeriodSec) : 0;
        load_ = signalLoad();
    }
}

double WeighingProcess::signalLoad() const
{
    return signalSteps_ % 2 ? signal_.stepSize * params_.discreteness : 0.0;
}

double WeighingProcess::timeConstant() const
{
    return params_.framePeriodSec * double(1 << std::clamp(params_.filter2, 0, 12)) / 4.0;
}

void WeighingProcess::followSignal(double t)
{
    const double tau = timeConstant();
    load_ = signalLoad(); // also after a held load was let go
    while (t_ < t) {
        double end = t;
        // The step boundaries are counted, not computed from t_, so a boundary reached
        // exactly is never met twice through rounding.
        const double next =
            signal_.stepPeriodSec > 0.0 ? double(signalSteps_ + 1) * signal_.stepPeriodSec : t;
        const bool stepsHere = next <= t;
        if (stepsHere)
            end = next;
        weight_ = load_ + (weight_ - load_) * std::exp(-(end - t_) / tau);
        t_ = end;
        if (stepsHere) {
            ++signalSteps_;
            load_ = signalLoad();
        }
    }
}

void WeighingProcess::advanceTo(double t)
{
    if (t <= t_)
        return;
    if (signal_.on) {
        if (held_) {
            // The square wave goes on underneath, so its steps stay where they were asked.
            if (signal_.stepPeriodSec > 0.0)
                signalSteps_ = std::max(signalSteps_, long(t / signal_.stepPeriodSec));
            t_ = t;
            noise_ = 0.0;
            return;
        }
        followSignal(t);
        std::normal_distribution<double> n(0.0, signal_.noiseSteps * params_.discreteness);
        noise_ = signal_.noiseSteps > 0.0 ? n(rng_) : 0.0;
        return;
    }
    double dt = t - t_;
    // A long absence (a paused test, a suspended machine) need not be replayed step by step.
    if (dt > 60.0) {
        t_ = t - 60.0;
        dt = 60.0;
    }
    while (dt > 0.0) {
        const double h = std::min(dt, STEP);
        step(h);
        dt -= h;
    }
    t_ = t;
    if (held_) {
        noise_ = 0.0;
    } else {
        const double averaging = std::sqrt(double(1 << std::clamp(params_.filter1, 0, 15)));
        const double smoothing = 1.0 + params_.filter2 / 4.0;
        std::normal_distribution<double> n(0.0, NOISE_STEPS * params_.discreteness / averaging /
                                                    smoothing);
        noise_ = n(rng_);
    }
}

void WeighingProcess::step(double h)
{
    t_ += h;
    if (!held_) {
        if (params_.doser) {
            const double dose = std::max(params_.doseTarget, 1);
            switch (phase_) {
            case DosePhase::Pause:
                load_ = 0.0;
                if (t_ >= phaseUntil_)
                    phase_ = DosePhase::Coarse;
                break;
            case DosePhase::Coarse:
                load_ += dose / 5.0 * h;
                if (load_ >= 0.8 * dose)
                    phase_ = DosePhase::Fine;
                break;
            case DosePhase::Fine:
                load_ += dose / 25.0 * h;
                if (load_ >= dose) {
                    load_ = dose;
                    phase_ = DosePhase::Done;
                    phaseUntil_ = t_ + 3.0;
                }
                break;
            case DosePhase::Done:
                if (t_ >= phaseUntil_)
                    phase_ = DosePhase::Discharge;
                break;
            case DosePhase::Discharge:
                load_ -= dose / 1.5 * h;
                if (load_ <= 0.0) {
                    load_ = 0.0;
                    phase_ = DosePhase::Pause;
                    phaseUntil_ = t_ + 2.0;
                }
                break;
            }
        } else if (t_ >= nextChange_) {
            pickNextLoad();
        }
    }
    weight_ += (load_ - weight_) * (1.0 - std::exp(-h / LAG));
}

void WeighingProcess::pickNextLoad()
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    if (load_ > 0.0 && u(rng_) < 0.4) {
        load_ = 0.0;
    } else {
        // A few hand-sized objects: round to ten display steps.
        const double step = 10.0 * params_.discreteness;
        load_ = std::round(params_.capacity * (0.03 + 0.6 * u(rng_)) / step) * step;
    }
    nextChange_ = t_ + 5.0 + 10.0 * u(rng_);
}

void WeighingProcess::zero()
{
    zero_ = weight_ + noise_;
    tareActive_ = false;
    tare_ = 0.0;
}

void WeighingProcess::toggleTare()
{
    const double gross = grossCounts();
    if (tareActive_ && std::abs(gross - tare_) < params_.discreteness) {
        tareActive_ = false;
        tare_ = 0.0;
    } else if (gross > params_.discreteness / 2.0) {
        tare_ = roundToStep(gross);
        tareActive_ = true;
    } else {
        tareActive_ = false;
        tare_ = 0.0;
    }
}

bool WeighingProcess::stable() const
{
    const double band = std::max(params_.stabBand, 1) * params_.discreteness * 0.5;
    return std::abs(weight_ - load_) <= band;
}

bool WeighingProcess::atZero() const
{
    return displayGross() == 0;
}

double WeighingProcess::grossCounts() const
{
    return weight_ + noise_ - zero_;
}

double WeighingProcess::netCounts() const
{
    return grossCounts() - (tareActive_ ? tare_ : 0.0);
}

int WeighingProcess::roundToStep(double counts) const
{
    const int d = std::max(params_.discreteness, 1);
    return static_cast<int>(std::lround(counts / d)) * d;
}

int WeighingProcess::displayNet() const
{
    return roundToStep(netCounts());
}
int WeighingProcess::displayGross() const
{
    return roundToStep(grossCounts());
}
int WeighingProcess::displayTare() const
{
    return tareActive_ ? roundToStep(tare_) : 0;
}

} // namespace korvel::sim
