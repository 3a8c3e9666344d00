// The settings dialog's port list: how the system's ports and the configured name make one
// list, and the list of this machine with a pseudo-terminal as the configured port.
#include "settings_dialog/PortList.h"
#include "link/PosixSerialPort.h"
#include "sim/Simulator.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace korvel {
namespace {

QStringList names(const QList<PortListEntry>& list)
{
    QStringList out;
    for (const PortListEntry& e : list)
        out << e.name;
    return out;
}

const QList<SystemSerialPort> kSystem = {
    {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"},
    {"ttyS10", "/dev/ttyS10", "", "", ""},
    {"ttyS2", "/dev/ttyS2", "", "", ""},
    {"ttyACM0", "/dev/ttyACM0", "", "Arduino (www.arduino.cc)", ""},
};

TEST(PortList, SystemPortsAndTheConfiguredOneMakeOneSortedList)
{
    struct Case
    {
        const char* name;
        QString configured;
        QString configuredDevice; // empty: no such device
        QStringList expected;
    };
    const QStringList all = {"ttyACM0", "ttyS2", "ttyS10", "ttyUSB0"};
    const Case cases[] = {
        {"nothing configured", "", "", all},
        {"configured one of them", "ttyUSB0", "/dev/ttyUSB0", all},
        {"COMn takes its UART's place",
         "COM3",
         "/dev/ttyS2",
         {"COM3", "ttyACM0", "ttyS10", "ttyUSB0"}},
        {"a by-id name takes the adapter's place",
         "serial/by-id/usb-FTDI-if00",
         "/dev/ttyUSB0",
         {"serial/by-id/usb-FTDI-if00", "ttyACM0", "ttyS2", "ttyS10"}},
        {"a pseudo-terminal is added",
         "pts/7",
         "/dev/pts/7",
         {"pts/7", "ttyACM0", "ttyS2", "ttyS10", "ttyUSB0"}},
        // Absent for now (an adapter unplugged): still the user's port, marked as absent.
        {"a missing port is added", "COM9", "", {"COM9", "ttyACM0", "ttyS2", "ttyS10", "ttyUSB0"}},
        {"so is a UART node the system does not list",
         "COM5",
         "/dev/ttyS4",
         {"COM5", "ttyACM0", "ttyS2", "ttyS10", "ttyUSB0"}},
        {"an unplugged adapter",
         "ttyUSB1",
         "",
         {"ttyACM0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(names(PortList::build(kSystem, c.configured, c.configuredDevice)), c.expected);
    }
}

TEST(PortList, AnAbsentConfiguredPortIsMarkedAsSuch)
{
    struct Case
    {
        const char* name;
        QString configured;
        QString configuredDevice;
        QString text; // of the configured entry
    };
    const Case cases[] = {
        {"no device", "ttyUSB1", "", "ttyUSB1 (нет в системе)"},
        {"a UART node without a UART", "COM5", "/dev/ttyS4", "COM5 (нет в системе)"},
        {"a pseudo-terminal that exists", "pts/7", "/dev/pts/7", "pts/7"},
        {"a listed adapter", "ttyUSB0", "/dev/ttyUSB0", "ttyUSB0 — FT232R USB UART, № A50285BI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<PortListEntry> list = PortList::build(kSystem, c.configured, c.configuredDevice);
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const PortListEntry& e) { return e.name == c.configured; });
        ASSERT_NE(it, list.end());
        EXPECT_EQ(it->text, c.text);
        EXPECT_EQ(std::count_if(list.begin(), list.end(),
                                [&](const PortListEntry& e) { return e.name == c.configured; }),
                  1);
    }
}

TEST(PortList, EntriesTellWhatTheSystemKnowsOfTheAdapter)
{
    const QList<PortListEntry> list = PortList::build(kSystem, "COM3", "/dev/ttyS2");
    const QStringList texts = {"COM3", "ttyACM0 — Arduino (www.arduino.cc)", "ttyS10",
                               "ttyUSB0 — FT232R USB UART, № A50285BI"};
    ASSERT_EQ(list.size(), texts.size());
    for (int i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].text, texts[i]);
}

TEST(PortList, NumbersInNamesCompareByValue)
{
    EXPECT_TRUE(PortList::naturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(PortList::naturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(PortList::naturalLess("ttyS9", "ttyUSB0"));
    EXPECT_TRUE(PortList::naturalLess("COM2", "COM012"));
    EXPECT_FALSE(PortList::naturalLess("ttyS1", "ttyS1"));
    EXPECT_TRUE(PortList::naturalLess("ttyS1", "ttyS1a"));
}

// This machine's ports with the simulator's pseudo-terminal configured, the way the dialog
// asks: the terminal is listed under the configured name (path, /dev-relative name or a link
// to it), also while the port is held open, and a configured port that is gone is listed as
// absent.
TEST(PortList, MachinePortsWithAPseudoTerminalConfigured)
{
    QTemporaryDir dir;
    sim::SimOptions options;
    options.linkPath = dir.filePath("indicator.tty").toStdString();
    sim::Simulator sim(options);
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    const QString slave = QString::fromStdString(sim.slavePath());

    QStringList systemNames;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        systemNames << info.portName();

    PosixSerialPort held;
    const QString relative = slave.mid(QStringLiteral("/dev/").size());
    const QString link = QString::fromStdString(options.linkPath);
    for (const QString& configured : {slave, relative, link}) {
        SCOPED_TRACE(configured.toStdString());
        for (bool busy : {false, true}) {
            if (busy) {
                ASSERT_EQ(held.open(slave.toStdString(), 9600, 50).status, PortOpenStatus::Ok);
            }
            const QStringList listed = names(PortList::scan(configured));
            EXPECT_EQ(listed.count(configured), 1) << listed.join(' ').toStdString();
            for (const QString& name : systemNames) {
                EXPECT_TRUE(listed.contains(name)) << name.toStdString();
            }
            EXPECT_EQ(listed.size(), systemNames.size() + 1);
            held.close();
        }
    }

    const QList<PortListEntry> withoutIt = PortList::scan(QStringLiteral("ttyUSB97"));
    EXPECT_EQ(withoutIt.size(), systemNames.size() + 1);
    EXPECT_TRUE(withoutIt.contains(
        PortListEntry{QStringLiteral("ttyUSB97"), QStringLiteral("ttyUSB97 (нет в системе)")}));

    // The simulator's adapter pulled out: its link is gone, its name stays on offer.
    ASSERT_TRUE(sim.unplug());
    EXPECT_TRUE(PortList::scan(link).contains(PortListEntry{link, link + " (нет в системе)"}));
}

} // namespace
} // namespace korvel
