#pragma once
#include <functional>

namespace korvel {

class ChartControls;
class Link;
class PanelView;
class PollCycle;
class SerialPort;
class SettingsStore;
struct Uperemen;

// What the settings dialog works on: the program's settings and their file, the link it may
// reopen, the poll it pauses and the face on which a port that does not open is shown. The
// main window fills one and keeps it for every opening.
struct SettingsDialogContext
{
    Uperemen& settings;
    SettingsStore& store;
    ChartControls& chartControls;
    SerialPort& port;
    Link& link;
    PollCycle& poll;
    PanelView& view;
    // The digital I/O strip: opened, or its outputs handed back and the strip rolled up.
    std::function<void()> openIoPanel = {};
    std::function<void()> closeIoPanel = {};
    // Before a new port, baud rate or address (linkChanges), or the strip switched off: the
    // outputs go back to the indicator on the connection in use (the strip's box unticked).
    // False when that failed and the change is not to be made; the popup has said why (for a
    // new link the user may have chosen to go on without the hand-back instead: true).
    std::function<bool(bool linkChanges)> handOutputsBack = {};
};

} // namespace korvel
