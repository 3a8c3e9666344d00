#pragma once
#include "dio/CyfrInOutState.h"
#include "device/Indicator.h"
#include "dio/OutputJournal.h"

#include <cstdint>
#include <functional>
#include <optional>

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
    // The copy of the block could not be stored on the disk, so nothing was sent: the
    // outputs stay with the indicator (journalError() says why).
    JournalNotStored,
};

// The device side of the I/O panel, without a window: taking the outputs over from the
// indicator (its output block on page 1 saved and cleared, register 252 set to 1), handing
// them back, and switching one output while the PC drives them.
//
// Before the first zero of a take-over goes out, the block is stored in the journal (a file,
// on the medium), so that it outlives a crash, a kill or a power cut of the PC; the file goes
// once the block is back and 252 ← 0 was acknowledged. A journal of an indicator whose
// outputs this process does not hold (left by an interrupted run, or by a hand-back that could
// not reach it) is written back the next time that indicator is connected.
//
// Every operation holds the poll off for its transactions and puts it back as it found it.
// It keeps that state itself rather than in the shared PollWasEnabled: a release also runs
// when the panel is closed by the chart or the settings dialog, which have saved their own
// state there a moment before.
class OutputControl
{
public:
    OutputControl(Link& link, PollCycle& poll, CyfrInOutState& state);

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

    // The indicator just connected (its identification, or none to have it read here): if
    // the journal holds a block of that indicator that this process does not hold itself, the
    // block goes back onto it and 252 ← 0 follows. The entry written back, if any. Nothing
    // is sent when there is no journal at all.
    std::optional<OutputJournalEntry> restoreJournalled(const std::uint8_t* ident = nullptr);

    // The hand-back could not reach the indicator and the user goes on without it (another
    // port or address): the process lets go of the outputs, whose block stays in the
    // journal for the next time that indicator is connected. False when no journal holds it
    // (nothing is let go then).
    bool leaveToJournal();
    // The indicator whose outputs this process holds (its journal), if any.
    const std::optional<IndicatorIdentity>& holding() const { return held_; }

    OutputJournal journal;
    // The port's name, written into the journal for the technician's eyes.
    std::function<QString()> portName;
    // Why the last journal could not be stored.
    const QString& journalError() const { return journalError_; }

    // While a memory transfer runs the panel sends nothing.
    void setLocked(bool locked) { locked_ = locked; }
    bool locked() const { return locked_; }

    const CyfrInOutState& state() const { return state_; }

private:
    bool takeOver(const std::uint8_t* block);
    bool release(const std::uint8_t* block);
    bool readIdentity(IndicatorIdentity* who);
    // Starts holding the block of this indicator: from its journal when an earlier hold was
    // never handed back (the block on the device is the cleared one then), otherwise the
    // block just read, stored in the journal first.
    bool holdOriginal(const std::uint8_t* block);
    // The block is back on the device; its journal goes when `journalDone` says that all of
    // the hand-back was acknowledged.
    void endHold(bool journalDone);
    bool failed(OutputFailure failure = OutputFailure::Link);
    std::uint8_t address() const;

    Indicator indicator_;
    PollCycle& poll_;
    CyfrInOutState& state_;
    bool locked_ = false;
    OutputFailure lastFailure_ = OutputFailure::None;
    std::optional<IndicatorIdentity> held_;
    QString journalError_;
};

} // namespace korvel
