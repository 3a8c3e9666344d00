// The pure pieces of the Windows port, checked on every platform: device names, how open
// errors are worded, which errors mean the device has gone, the port probe and the adapter
// names the port list shows.
#include "link/ComPortProbe.h"
#include "link/PortDevices.h"
#include "link/PortMessages.h"
#include "link/WinPortErrors.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace korvel {
namespace {

TEST(WinDevicePath, PrefixesTheDeviceNamespaceOnce)
{
    EXPECT_EQ(winDevicePath("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(winDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(winDevicePath("\\\\.\\COM3"), "\\\\.\\COM3");
}

TEST(WinOpenErrors, ThreeMessagesWithTheirGrowths)
{
    struct Case
    {
        unsigned long error;
        PortOpenStatus status;
        std::string text;
        int w, x, h;
    };
    const std::string tail = ".\n\nОпрос веса не осуществляется.";
    const std::vector<Case> cases = {
        {2, PortOpenStatus::NotFound,
         "Не могу открыть \"COM3\",\nтакого порта не существует" + tail, 80, 40, 48},
        {5, PortOpenStatus::Busy, "Не могу открыть \"COM3\", порт занят" + tail, 100, 50, 36},
        // Path not found and the like are not worded: their number is what helps.
        {3, PortOpenStatus::OtherError, "Не могу открыть \"COM3\", код ошибки: 3" + tail, 110, 55,
         36},
        {1167, PortOpenStatus::OtherError, "Не могу открыть \"COM3\", код ошибки: 1167" + tail, 110,
         55, 36},
    };
    for (const auto& c : cases) {
        const PortOpenStatus status = portStatusFromWinError(c.error);
        EXPECT_EQ(status, c.status) << c.error;
        const PortMessage m = portOpenMessage("COM3", {status, static_cast<int>(c.error)});
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.growW, c.w) << c.error;
        EXPECT_EQ(m.growOkX, c.x) << c.error;
        EXPECT_EQ(m.growH, c.h) << c.error;
    }
}

TEST(WinDeviceGone, RemovalErrorsButNotTimeOutsOrLineErrors)
{
    for (unsigned long error : {5ul, 21ul, 22ul, 31ul, 1167ul, 1617ul})
        EXPECT_TRUE(winDeviceGone(error)) << error;
    // Success, a time-out, an aborted operation and a bad parameter leave the device there.
    for (unsigned long error : {0ul, 1460ul, 995ul, 87ul, 121ul})
        EXPECT_FALSE(winDeviceGone(error)) << error;
}

TEST(ComPortProbe, ListsPortsThatOpenAndPortsInUse)
{
    // COM1 opens, COM4 is held by another program, COM10 is a two-digit port that opens,
    // COM7 fails with an unexpected error, every other number does not exist.
    std::vector<std::string> asked;
    const auto names = probeComPorts([&](const std::string& device) -> unsigned long {
        asked.push_back(device);
        if (device == "\\\\.\\COM1" || device == "\\\\.\\COM10")
            return 0;
        if (device == "\\\\.\\COM4")
            return 5;
        if (device == "\\\\.\\COM7")
            return 31;
        return 2;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM4", "COM10"}));
    ASSERT_EQ(asked.size(), 999u);
    EXPECT_EQ(asked.front(), "\\\\.\\COM1");
    EXPECT_EQ(asked.back(), "\\\\.\\COM999");
}

class TableOfDevices : public PortDeviceSource
{
public:
    explicit TableOfDevices(std::vector<PortDevice> devices) : devices_(std::move(devices)) {}
    std::vector<PortDevice> devices() const override { return devices_; }

private:
    std::vector<PortDevice> devices_;
};

TEST(ComPortList, ProbedPortsNamedAfterTheirAdapters)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> probed;
        std::vector<PortDevice> devices;
        std::vector<ComPortInfo> expected;
    };
    const std::vector<Case> cases = {
        {"the port's part of the friendly name left out",
         {"COM5"},
         {{"COM5", "USB-SERIAL CH340 (COM5)"}},
         {{"COM5", "USB-SERIAL CH340"}}},
        {"no registry name: the friendly name's port; case and blanks do not matter",
         {},
         {{"", " Communications Port ( com1 ) "}},
         {{"COM1", "Communications Port"}}},
        {"a friendly name without a port in parentheses is kept whole",
         {"COM3"},
         {{"com3", "Prolific USB-to-Serial (v2)"}},
         {{"COM3", "Prolific USB-to-Serial (v2)"}}},
        {"the registry's name wins over a stale friendly name",
         {},
         {{"COM7", "FT232R USB UART (COM4)"}},
         {{"COM7", "FT232R USB UART"}}},
        {"printer ports and devices that name no port are dropped",
         {},
         {{"LPT1", "Printer Port (LPT1)"}, {"", "Modem"}, {"COMX", "Odd (COMX)"}},
         {}},
        {"probed only, listed only, both: each once, by number",
         {"COM10", "COM2", "COM4"},
         {{"COM4", ""}, {"COM4", "Bluetooth (COM4)"}, {"COM9", "Bluetooth (COM9)"}},
         {{"COM2", ""}, {"COM4", "Bluetooth"}, {"COM9", "Bluetooth"}, {"COM10", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(describeComPorts(c.probed, TableOfDevices(c.devices)), c.expected);
    }
}

} // namespace
} // namespace korvel
