#pragma once
#include "dio/OutputControl.h"
#include "settings/SettingsMessages.h"

namespace korvel {

// The popup of a failed take-over, release or output switch: the usual link failure, and
// whether the device's output configuration is left unrestored.
PopupMessage OutputFailureMessage(OutputFailure failure);

// The outputs had to be handed back first and were not, so the new connection settings were
// not applied.
PopupMessage SettingsKeptMessage(OutputFailure failure);
// The same before a memory transfer, which then does not start.
PopupMessage TransferNotStartedMessage(OutputFailure failure);

} // namespace korvel
