#include "dio/OutputControl.h"

#include "link/DeviceMap.h"
#include "link/LinkSettings.h"
#include "panel/PollCycle.h"
#include "panel/PollSuspend.h"
#include "settings/AppPaths.h"

#include <QDateTime>

#include <algorithm>

namespace korvel {

OutputControl::OutputControl(Link& link, PollCycle& poll, CyfrInOutState& state)
    : journal(AppPaths::journalFolder()), indicator_(link), poll_(poll), state_(state)
{
}

std::uint8_t OutputControl::address() const
{
    return indicator_.address();
}

bool OutputControl::failed(OutputFailure failure)
{
    lastFailure_ = failure;
    // Shown while the poll is still held off; the guard puts it back afterwards.
    if (showMessage)
        showMessage(failure);
    return false;
}

bool OutputControl::setTakenOver(bool takeOver)
{
    lastFailure_ = OutputFailure::None;
    if (locked_)
        return false;
    PollSuspend pause(poll_, PollSuspend::OwnState);

    // Nothing is written yet; whatever an earlier failure left behind is still there.
    const OutputFailure unchanged = state_.OriginalBlockHeld && !state_.OutputsTakenOver
                                        ? OutputFailure::BlockNotRestored
                                        : OutputFailure::Link;
    OutputBlock block{};
    if (!indicator_.readOutputBlock(block))
        return failed(unchanged);

    return takeOver ? this->takeOver(block.data()) : release(block.data());
}

bool OutputControl::takeOver(const std::uint8_t* block)
{
    const bool anySet =
        std::any_of(block, block + MEM_OUTPUT_CONFIG_COUNT, [](std::uint8_t b) { return b != 0; });
    // Taken over already (a release failed) and the block is clear: nothing to do.
    if (state_.OutputsTakenOver && !anySet)
        return true;

    // The copy is taken once, before the first write; a block read after a failed take-over
    // or release may be partly cleared and must not replace it.
    if (!state_.OriginalBlockHeld && !holdOriginal(block))
        return false;
    const std::array<std::uint8_t, MEM_OUTPUT_CONFIG_COUNT> zeros{};
    if (!indicator_.writeOutputBlock(zeros)) {
        // Already taken over (a release failed): the outputs stay with the PC, and the
        // release owed writes the block back.
        if (state_.OutputsTakenOver)
            return failed(OutputFailure::BlockNotRestored);
        // Cut off half-way: the outputs would act on a partly cleared configuration that
        // nobody asked for. Put the device's own block back now, while the line may still
        // carry it; if it does not, the copy stays held for the next hand-back.
        if (!indicator_.writeOutputBlock(state_.SavedOutputBlock))
            return failed(OutputFailure::BlockNotRestored);
        endHold(true); // 252 was never set
        return failed(OutputFailure::Link);
    }
    if (!state_.OutputsTakenOver) {
        indicator_.setOutputControl(true);
        state_.OutputsTakenOver = true;
    }
    return true;
}

bool OutputControl::release(const std::uint8_t* block)
{
    if (state_.OutputsTakenOver) {
        if (!indicator_.writeOutputBlock(state_.SavedOutputBlock))
            return failed(OutputFailure::BlockNotRestored);
        // The release counts as done either way, as it always has; but until 252 ← 0 is
        // acknowledged the journal stays, and the next connection of this indicator sends it.
        const bool modeBack = indicator_.setOutputControl(false);
        state_.OutputsTakenOver = false;
        endHold(modeBack);
        return true;
    }
    // Not taken over, but a take-over failed half-way: put the original back. Without a held
    // copy SavedOutputBlock was never read from this device, and writing it would destroy
    // the device's configuration.
    if (state_.OriginalBlockHeld) {
        if (!std::equal(block, block + MEM_OUTPUT_CONFIG_COUNT, state_.SavedOutputBlock.begin()) &&
            !indicator_.writeOutputBlock(state_.SavedOutputBlock))
            return failed(OutputFailure::BlockNotRestored);
        endHold(true);
    }
    return true;
}

bool OutputControl::readIdentity(IndicatorIdentity* who)
{
    const std::optional<Identification> ident = indicator_.readIdentification();
    if (!ident)
        return false;
    *who = IndicatorIdentity::fromIdent(ident->bytes.data());
    return true;
}

bool OutputControl::holdOriginal(const std::uint8_t* block)
{
    IndicatorIdentity who;
    if (!readIdentity(&who))
        return failed(OutputFailure::Link);
    OutputBlock original{};
    std::copy_n(block, original.size(), original.begin());
    if (const std::optional<OutputJournalEntry> earlier = journal.find(who)) {
        // This indicator's outputs were taken over before and its block never went back (the
        // connection's restore did not get through): what the device holds now is the
        // cleared block, the journal holds its own.
        original = earlier->block;
    } else {
        const OutputJournalEntry entry{who, portName ? portName() : QString(), address(),
                                       QDateTime::currentDateTime(), original};
        journalError_.clear();
        if (!journal.store(entry, &journalError_))
            return failed(OutputFailure::JournalNotStored);
    }
    state_.SavedOutputBlock = original;
    state_.OriginalBlockHeld = true;
    held_ = who;
    return true;
}

void OutputControl::endHold(bool journalDone)
{
    state_.OriginalBlockHeld = false;
    if (held_ && journalDone)
        journal.remove(*held_);
    held_.reset();
}

bool OutputControl::leaveToJournal()
{
    if (!held_ || !journal.find(*held_))
        return false;
    state_.OutputsTakenOver = false;
    state_.OriginalBlockHeld = false;
    held_.reset();
    return true;
}

std::optional<OutputJournalEntry> OutputControl::restoreJournalled(const std::uint8_t* ident)
{
    if (locked_ || journal.empty())
        return std::nullopt;
    IndicatorIdentity who;
    if (ident)
        who = IndicatorIdentity::fromIdent(ident);
    else if (!readIdentity(&who))
        return std::nullopt; // silent: the poll shows нет связи, the next connection tries
    // The block this process holds is handed back by its own release, not here: the PC
    // still drives those outputs.
    if (held_ && *held_ == who)
        return std::nullopt;
    const std::optional<OutputJournalEntry> entry = journal.find(who);
    if (!entry)
        return std::nullopt;
    if (!indicator_.selectPage(MEM_OUTPUT_CONFIG_PAGE) ||
        !indicator_.writeOutputBlock(entry->block) ||
        !indicator_.setOutputControl(false))
        return std::nullopt; // kept for the next connection
    journal.remove(who);
    return entry;
}

bool OutputControl::switchOutput(int n)
{
    lastFailure_ = OutputFailure::None;
    if (locked_ || n < 0 || n >= 8)
        return false;
    PollSuspend pause(poll_, PollSuspend::OwnState);
    // From the byte the device reported last; two clicks between polls give the same value.
    const auto value = static_cast<std::uint8_t>(state_.LastOutputs ^ (1u << n));
    if (indicator_.setOutputs(value))
        return true;
    return failed();
}

} // namespace korvel
