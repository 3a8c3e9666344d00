#pragma once
#include <optional>
#include <random>

#include "sim/SimOptions.h"

namespace korvel::sim {

// What the process needs to know about the indicator's set-up. Weights are counts: units of
// the last digit the display shows.
struct ProcessParams
{
    int capacity = 15000;  // largest load the random process puts on
    int discreteness = 2;  // display step
    int filter1 = 0;       // 0..15: averaging of 2^filter1 ADC periods
    int filter2 = 2;       // 0..12: extra smoothing
    int stabBand = 4;      // stability band, in display steps
    bool doser = false;    // run dosing cycles instead of random loads
    int doseTarget = 5000; // doser: weight of one dose
    double framePeriodSec = 0.0075; // time between two stream frames at this filter 1
};

// The load cell side of the indicator: a load that changes now and then (or dosing cycles),
// a weight that follows it with a lag and a little noise, and the zero and tare the keys set.
// Driven by explicit time so tests can step it.
class WeighingProcess
{
public:
    enum class DosePhase { Pause, Coarse, Fine, Done, Discharge };

    explicit WeighingProcess(unsigned seed);

    void setParams(const ProcessParams& params) { params_ = params; }
    const ProcessParams& params() const { return params_; }
    // The test signal replaces the random loads (and the dosing) while it is on.
    void setSignal(const TestSignal& signal);

    // The lag of the test signal's weight behind its load, in seconds: a quarter of a frame
    // period times 2^filter2. Filter 1 lengthens the frame period (it averages more ADC
    // periods into a frame), filter 2 doubles the lag with each unit, so both registers shape
    // the response as they would on a real indicator, and a test can work out the curve.
    double timeConstant() const;

    // Moves the process to time t (seconds, never backwards) and draws a fresh noise sample.
    void advanceTo(double t);

    // Holds the load at a value (counts, gross) until released with nullopt; no noise while held.
    void holdLoad(std::optional<double> load);

    void zero();       // the current gross becomes zero; the tare is dropped
    void toggleTare(); // tare the current gross, or drop the tare when nothing is on it

    bool tareActive() const { return tareActive_; }
    double tare() const { return tare_; }
    bool stable() const;
    bool atZero() const;        // gross shows zero
    double grossCounts() const; // with noise, after zero
    double netCounts() const;   // gross less tare
    int displayNet() const;     // net rounded to the display step
    int displayGross() const;
    int displayTare() const;
    DosePhase dosePhase() const { return phase_; }

private:
    void step(double dt);
    // The test signal up to time t, exactly: the load is constant between its steps, so the
    // weight is an exponential within each stretch.
    void followSignal(double t);
    double signalLoad() const;
    void pickNextLoad();
    int roundToStep(double counts) const;

    ProcessParams params_;
    std::mt19937 rng_;
    double t_ = 0.0;
    double weight_ = 0.0; // noise-free gross before zeroing
    double load_ = 0.0;   // what lies on the scale
    double noise_ = 0.0;
    double nextChange_ = 3.0;
    double zero_ = 0.0;
    double tare_ = 0.0;
    bool tareActive_ = false;
    std::optional<double> held_;
    DosePhase phase_ = DosePhase::Pause;
    double phaseUntil_ = 2.0;
    TestSignal signal_;
    long signalSteps_ = 0; // steps of the test signal so far; odd: the load is on
};

} // namespace korvel::sim
