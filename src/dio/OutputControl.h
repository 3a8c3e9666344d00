#pragma once
#include "dio/CyfrInOutState.h"

#include <cstdint>
#include <functional>

namespace korvel {

class Link;
class PollCycle;
struct LinkSettings;

// What went wrong in the last operation of OutputControl.
enum class OutputFailure {
    None,
    // A transaction failed; the device's output block is as it was before (its own
    // configuration, or cleared while the PC drives the outputs).
    Link,
    // A transaction failed and the device's block may be partly written, or still differs
    // from its own configuration after an earlier failure: the copy is kept for the next
    // hand-back.
    BlockNotRestored,
};

// The device side of the I/O panel, without a window: taking the outputs over from the
// indicator (its output block on page 1 saved and cleared, register 252 set to 1), handing
// them back, and switching one output while the PC drives them.
//
// Every operation holds the poll off for its transactions and puts it back as it found it.
// It keeps that state itself rather than in the shared PollWasEnabled: a release also runs
// when the panel is closed by the chart or the settings dialog, which have saved their own
// state there a moment before.
class OutputControl
{
public:
    OutputControl(Link& link, const LinkSettings& settings, PollCycle& poll, CyfrInOutState& state);

    // Shows the message popup for a failure (a transaction failed; what it left behind).
    std::function<void(OutputFailure)> showMessage;

    // Take the outputs over (true) or hand them back (false). On a link failure the popup
    // has been shown and false is returned; OutputsTakenOver keeps its value. A take-over
    // cut off half-way writes the device's own block back at once, as far as the line
    // allows. While locked nothing is sent and false is returned.
    bool setTakenOver(bool takeOver);

    // The device may not hold its own output block or may have register 252 set: a
    // hand-back is owed before the work with this indicator ends.
    bool handBackOwed() const { return state_.OutputsTakenOver || state_.OriginalBlockHeld; }
    // The failure of the last take-over, release or switch (None after a success).
    OutputFailure lastFailure() const { return lastFailure_; }

    // Output n (0..7) clicked: writes LastOutputs with bit n inverted to the argument
    // register, then the set-outputs command. The lamps change with the next poll.
    bool switchOutput(int n);

    // While a memory transfer runs the panel sends nothing.
    void setLocked(bool locked) { locked_ = locked; }
    bool locked() const { return locked_; }

    const CyfrInOutState& state() const { return state_; }

private:
    bool takeOver(const std::uint8_t* block);
    bool release(const std::uint8_t* block);
    bool writeBlock(const std::uint8_t* bytes);
    bool failed(OutputFailure failure = OutputFailure::Link);
    std::uint8_t address() const;

    Link& link_;
    const LinkSettings& settings_;
    PollCycle& poll_;
    CyfrInOutState& state_;
    bool locked_ = false;
    OutputFailure lastFailure_ = OutputFailure::None;
};

} // namespace korvel
