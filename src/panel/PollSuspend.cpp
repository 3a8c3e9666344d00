#include "panel/PollSuspend.h"

#include "panel/PollCycle.h"

namespace korvel {

PollSuspend::PollSuspend(PollCycle& poll) : poll_(poll), own_(false)
{
    poll_.suspendPolling();
    saved_ = poll_.PollWasEnabled;
}

PollSuspend::PollSuspend(PollCycle& poll, OwnStateTag) : poll_(poll), own_(true)
{
    saved_ = poll_.pollingEnabled() || poll_.waitingForPort() ? 1 : 0;
    poll_.disablePolling();
}

PollSuspend::~PollSuspend()
{
    if (own_) {
        if (saved_)
            poll_.enablePolling();
    } else {
        // Read back at the end: the shared byte is what counts, even if another feature
        // overwrote it meanwhile.
        poll_.resumePolling();
    }
}

} // namespace korvel
