#pragma once
#include "dio/OutputControl.h"
#include "settings/SettingsMessages.h"

namespace korvel {

struct OutputJournalEntry;

// The popup of a failed take-over, release or output switch: the usual link failure, and
// whether the device's output configuration is left unrestored. A journal that could not be
// stored names its file and why (`journalFile`, `why`).
PopupMessage OutputFailureMessage(OutputFailure failure, const QString& journalFile = QString(),
                                  const QString& why = QString());

// The outputs had to be handed back first and were not, so the new connection settings were
// not applied.
PopupMessage SettingsKeptMessage(OutputFailure failure);
// The same before a memory transfer, which then does not start.
PopupMessage TransferNotStartedMessage(OutputFailure failure);
// The same when the strip was to be switched off: it stays, and so do the settings.
PopupMessage StripKeptMessage(OutputFailure failure);

// The question after a hand-back that failed before a new link: go on without it?
QString OutputsLeftQuestion();
// At exit after a hand-back that failed: the journal keeps the block for the next connection.
PopupMessage OutputsLeftAtExitMessage(OutputFailure failure);
// A journal's block was written back onto the indicator just connected.
PopupMessage OutputsRestoredMessage(const OutputJournalEntry& entry);

} // namespace korvel
