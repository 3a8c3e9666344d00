#include "settings_dialog/PortList.h"

#ifdef _WIN32
#include "link/ComPortProbe.h"
#include "link/PortDevices.h"
#else
#include "link/PosixSerialPort.h"
#endif

#include <QFileInfo>
#include <QRegularExpression>
#ifndef _WIN32
#include <QSerialPortInfo>
#endif
#include <QStringList>

#include <algorithm>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace korvel {

QList<PortListEntry> PortList::scan(const QString& configured)
{
    QList<SystemSerialPort> system;
#ifdef _WIN32
    // Our own probe finds the ports that open or are busy; SetupAPI names the adapters.
    for (const ComPortInfo& port : describeComPorts(probeComPorts(), *systemPortDevices())) {
        const QString name = QString::fromStdString(port.name);
        system.append({name,
                       QStringLiteral("\\\\.\\") + name,
                       QString::fromStdString(port.description),
                       {},
                       {}});
    }
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        system.append({info.portName(), info.systemLocation(), info.description(),
                       info.manufacturer(), info.serialNumber()});
#endif
    return build(system, configured, deviceOf(configured));
}

QString PortList::deviceOf(const QString& portName)
{
    if (portName.trimmed().isEmpty())
        return {};
#ifdef _WIN32
    // Windows lists every port that exists under its own COMn name and device path; a
    // configured name matches its entry by that path, and one not listed does not exist.
    return QStringLiteral("\\\\.\\") + portName.trimmed().toUpper();
#else
    const QString path = QFileInfo(QString::fromStdString(portDevicePath(portName.toStdString())))
                             .canonicalFilePath();
    if (path.isEmpty())
        return {};
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return {};
    return path;
#endif
}

QList<PortListEntry> PortList::build(const QList<SystemSerialPort>& system,
                                     const QString& configured, const QString& configuredDevice)
{
    QList<PortListEntry> list;
    bool configuredListed = false;
    for (const SystemSerialPort& port : system) {
        const QString device = QFileInfo(port.systemLocation).canonicalFilePath();
        const bool isConfigured =
            !configuredDevice.isEmpty() &&
            (device == configuredDevice || port.systemLocation == configuredDevice);
        const QString name = isConfigured ? configured : port.portName;
        configuredListed = configuredListed || isConfigured;
        list.append({name, entryText(name, &port)});
    }
    // A built-in serial node the system does not list has no UART behind it: opening it
    // would fail as a port that does not exist, so it counts as absent.
#ifdef _WIN32
    const bool existsUnlisted = false;
#else
    static const QRegularExpression builtInUart(QStringLiteral("^/dev/ttyS[0-9]+$"));
    const bool existsUnlisted = !builtInUart.match(configuredDevice).hasMatch();
#endif
    if (!configuredListed && !configured.trimmed().isEmpty()) {
        // An absent port is still the user's choice: without its entry the field would open
        // empty and OK would store an empty name, losing the port for good.
        const bool present = !configuredDevice.isEmpty() && existsUnlisted;
        list.append({configured, present ? entryText(configured, nullptr)
                                         : absentEntryText(configured)});
    }

    std::stable_sort(list.begin(), list.end(), [](const PortListEntry& a, const PortListEntry& b) {
        return naturalLess(a.name, b.name);
    });
    return list;
}

QString PortList::entryText(const QString& name, const SystemSerialPort* port)
{
    if (port == nullptr)
        return name;
    QStringList about;
    const QString what = port->description.isEmpty() ? port->manufacturer : port->description;
    if (!what.isEmpty())
        about << what;
    if (!port->serialNumber.isEmpty())
        about << QStringLiteral("№ ") + port->serialNumber;
    return about.isEmpty() ? name : name + QStringLiteral(" — ") + about.join(QStringLiteral(", "));
}

QString PortList::absentEntryText(const QString& name)
{
    return name + QStringLiteral(" (нет в системе)");
}

bool PortList::naturalLess(const QString& a, const QString& b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i;
            int ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Compare by value: fewer digits (after leading zeros) is smaller.
            QStringView da = QStringView(a).mid(i, ei - i);
            QStringView db = QStringView(b).mid(j, ej - j);
            while (da.size() > 1 && da.front() == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db.front() == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j);
}

} // namespace korvel
