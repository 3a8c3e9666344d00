#pragma once
#include "dio/CyfrInOutState.h"

#include <cstdint>
#include <functional>

namespace korvel {

class Link;
class PollCycle;
struct LinkSettings;

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

    // Shows the message popup with its default text (a transaction failed).
    std::function<void()> showMessage;

    // Take the outputs over (true) or hand them back (false). On a link failure the popup
    // has been shown and false is returned; OutputsTakenOver keeps its value and bytes
    // already written stay written. While locked nothing is sent and false is returned.
    bool setTakenOver(bool takeOver);

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
    bool failed();
    std::uint8_t address() const;

    Link& link_;
    const LinkSettings& settings_;
    PollCycle& poll_;
    CyfrInOutState& state_;
    bool locked_ = false;
};

} // namespace korvel
