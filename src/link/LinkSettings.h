#pragma once

namespace korvel {

// The settings the link itself reads, at the moment it needs them. The program's settings
// values (Uperemen) are this struct plus the rest, so the link sees an address changed in the
// settings dialog with the very next frame; it keeps no copy that could go stale.
struct LinkSettings
{
    int AdrPribor = 1;            // indicator address, 1..63
    bool ShowServiceInfo = false; // trace failed transactions on the main window
};

} // namespace korvel
