#pragma once
#include <QList>
#include <QString>
#include <functional>

namespace korvel {

class Link;
class PanelView;
class PollCycle;
class SerialPort;
struct Uperemen;

// One port the search may look at.
struct FinderPort
{
    QString name; // as stored and opened
    QString text; // as listed, with what the system knows of the adapter
};

// What the search dialog works on. The main window fills it; the parts that belong to other
// features (the port list, storing a choice as the settings dialog's OK does, the poll after
// a dialog) come as hooks.
struct FinderContext
{
    Uperemen& settings;
    SerialPort& port;
    Link& link;
    PollCycle& poll;
    PanelView& view;
    std::function<QList<FinderPort>()> listPorts = {};
    // Stores port, baud rate and address and reconnects; false when the outputs taken over
    // could not be handed back first (nothing was stored).
    std::function<bool(const QString& port, int baud, int address)> connectTo = {};
    std::function<void()> restorePoll = {};
};

} // namespace korvel
