#pragma once
#include <QList>
#include <QString>

namespace korvel {

// One serial port as the system describes it.
struct SystemSerialPort
{
    QString portName;       // "ttyUSB0"
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;    // "FT232R USB UART", empty when unknown
    QString manufacturer;
    QString serialNumber;
};

// One entry of the settings dialog's port list.
struct PortListEntry
{
    QString name; // what the settings file stores and the port layer opens
    QString text; // the drop-down text: the name, then what the system knows of the adapter

    bool operator==(const PortListEntry&) const = default;
};

// The serial ports of this machine, as the settings dialog offers them: every port the system
// knows (built-in UARTs that really exist, USB adapters and others; busy ones too, as nothing
// is opened to find them), plus the configured port whenever its device exists even if it is
// no UART (a pseudo-terminal, a link to one, a by-id name). A configured name that leads to a
// listed device takes that device's place, so the same port never shows twice and the stored
// name is kept. A configured port that is absent (an adapter unplugged for now) is listed
// all the same, marked as absent: the dialog opens on it, and OK keeps it rather than storing
// an empty name. Sorted by name, numbers in names compared as numbers.
class PortList
{
public:
    // Asks the system afresh.
    static QList<PortListEntry> scan(const QString& configured);

    // The list from what the system reported. configuredDevice is the canonical device path
    // of the configured name, empty when there is no such device.
    static QList<PortListEntry> build(const QList<SystemSerialPort>& system,
                                      const QString& configured, const QString& configuredDevice);

    // The canonical path of the character device a port name leads to, empty when none.
    static QString deviceOf(const QString& portName);

    static QString entryText(const QString& name, const SystemSerialPort* port);
    // "ttyUSB0 (нет в системе)"
    static QString absentEntryText(const QString& name);

    // "ttyS2" before "ttyS10": runs of digits compare by value.
    static bool naturalLess(const QString& a, const QString& b);
};

} // namespace korvel
