#pragma once
#include <cstdint>

namespace korvel {

class PollCycle;

// Takes the link over from the poll for the lifetime of the guard:
//   PollSuspend guard(poll);               // saves into the shared PollWasEnabled
//   PollSuspend pause(poll, PollSuspend::OwnState);
// The shared form is the rule every link feature follows (one byte, no nesting). The own
// form keeps the saved state in the guard itself, for the short pauses that may happen
// while another feature holds polling off (a click on the face during chart mode) and
// must not overwrite what that feature saved.
class PollSuspend
{
public:
    enum OwnStateTag { OwnState };

    explicit PollSuspend(PollCycle& poll);
    PollSuspend(PollCycle& poll, OwnStateTag);
    ~PollSuspend();

    PollSuspend(const PollSuspend&) = delete;
    PollSuspend& operator=(const PollSuspend&) = delete;

    // Whether polling ran when the guard was made.
    bool wasEnabled() const { return saved_ != 0; }

private:
    PollCycle& poll_;
    bool own_;
    std::uint8_t saved_;
};

} // namespace korvel
