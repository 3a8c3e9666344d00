#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace korvel::sim {

// Five digital inputs that change now and then, and eight outputs that either follow the
// indicator's own events (configured per output in memory) or, while the PC has taken them
// over, the byte the PC sets.
class DigitalIo
{
public:
    static constexpr int INPUTS = 5;
    static constexpr int OUTPUTS = 8;

    // What the indicator can drive an output with; the numbers are the config bytes.
    enum OutputEvent : std::uint8_t {
        OUT_NONE = 0,
        OUT_STABLE = 1,
        OUT_TARE = 2,
        OUT_ZERO = 3,
        OUT_LOADED = 4,      // net weight above zero
        OUT_INPUT_FIRST = 5, // 5..9: copy input 1..5
    };

    struct Events
    {
        bool stable = false, tare = false, zero = false, loaded = false;
    };

    explicit DigitalIo(unsigned seed);

    void advanceTo(double t);
    std::uint8_t inputs() const { return held_ ? *held_ : inputs_; }
    void holdInputs(std::optional<std::uint8_t> inputs) { held_ = inputs; }

    // REG_OUTPUT_CONTROL: 1 hands the outputs to the PC, anything else gives them back.
    void setPcControl(bool on);
    bool pcControl() const { return pcControl_; }
    // Command 10: taken only while the PC holds the outputs.
    bool setPcOutputs(std::uint8_t value);

    // The output byte now: the PC's while it holds them, else from the events and the
    // configuration bytes (one per output).
    std::uint8_t outputs(const Events& events, const std::uint8_t* config) const;

private:
    std::mt19937 rng_;
    double t_ = 0.0;
    std::array<double, INPUTS> nextToggle_{};
    std::uint8_t inputs_ = 0;
    std::optional<std::uint8_t> held_;
    bool pcControl_ = false;
    std::uint8_t pcOutputs_ = 0;
};

} // namespace korvel::sim
