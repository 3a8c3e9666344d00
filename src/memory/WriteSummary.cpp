#include "memory/WriteSummary.h"

namespace korvel {

bool WriteEndsWithCommand(WriteEnd end)
{
    switch (end) {
    case WriteEnd::Cancelled:
    case WriteEnd::LinkFailed:
        return false;
    case WriteEnd::Completed:
    case WriteEnd::NothingToWrite:
    case WriteEnd::VerifyCancelled:
    case WriteEnd::VerifyLinkFailed:
        break;
    }
    return true;
}

} // namespace korvel
