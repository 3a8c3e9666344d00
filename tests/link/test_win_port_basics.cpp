// The pure pieces of the Windows port, checked on every platform: device names, how open
// errors are worded, which errors mean the device has gone, and the port probe.
#include "link/ComPortProbe.h"
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

} // namespace
} // namespace korvel
