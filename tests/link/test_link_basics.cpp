// Pure pieces of the link: CRC8, port messages, trace lines.
#include "link/Crc8.h"
#include "link/LinkTrace.h"
#include "link/PortMessages.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace korvel {
namespace {

TEST(Crc8, CheckValues)
{
    struct Case
    {
        std::vector<std::uint8_t> bytes;
        std::uint8_t crc;
    };
    const std::string digits = "123456789";
    const std::vector<Case> cases = {
        {{0x01, 0xFF, 0x11}, 0xB6},
        {{0x81, 0x2A, 0x0F}, 0xF1},
        {{digits.begin(), digits.end()}, 0xAB},
        {{}, 0x0F},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc8(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes.size() << " bytes";
}

TEST(PortOpenMessage, WordsEveryOutcome)
{
    struct Case
    {
        PortOpenResult result;
        std::string text;
        int w, x, h;
    };
    const std::vector<Case> cases = {
        {{PortOpenStatus::NotFound, ENOENT},
         "Не могу открыть \"COM3\",\nтакого порта не существует.\n\nОпрос веса не "
         "осуществляется.",
         80,
         40,
         48},
        {{PortOpenStatus::Busy, EWOULDBLOCK},
         "Не могу открыть \"COM3\", порт занят.\n\nОпрос веса не осуществляется.",
         100,
         50,
         36},
        {{PortOpenStatus::OtherError, 5},
         "Не могу открыть \"COM3\", код ошибки: 5.\n\nОпрос веса не осуществляется.",
         110,
         55,
         36},
        {{PortOpenStatus::AccessDenied, EACCES},
         "Не могу открыть \"COM3\",\nнет прав доступа к порту\n(нужна группа dialout).\n\nОпрос "
         "веса не осуществляется.",
         80,
         40,
         60},
        {{PortOpenStatus::ConfigFailed, 0},
         "Необходимые параметры порта \"COM3\"\nне установлены",
         120,
         60,
         12},
        {{PortOpenStatus::Ok, 0}, "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        const PortMessage m = portOpenMessage("COM3", c.result);
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.growW, c.w) << c.text;
        EXPECT_EQ(m.growOkX, c.x) << c.text;
        EXPECT_EQ(m.growH, c.h) << c.text;
    }
    const PortMessage missing = portNameMissingMessage();
    EXPECT_EQ(missing.text, "COM-порт не задан.");
    EXPECT_EQ(missing.growW + missing.growOkX + missing.growH, 0);
}

TEST(TraceLines, NotationAndForms)
{
    EXPECT_EQ(traceBinary(0x00), "00000000");
    EXPECT_EQ(traceBinary(0x05), "00000101");
    EXPECT_EQ(traceHex(0x0A), "0A");
    EXPECT_EQ(traceHex(0xFF), "FF");

    const TraceLines w = writeTraceLines(0x01, 0xB6, 0x07, 0x09, 2, 3);
    EXPECT_EQ(w.panel1, "   Send    = 10110110  0xB6 (182) - Адр. 01");
    EXPECT_EQ(w.panel2, "   Receive = 00001001  0x09 (9) - Адр. 07  2");
    EXPECT_EQ(w.panel3, "Write 3");

    const TraceLines r = readTraceLines(0xC1, 0x0F, 0x81, 0xF0, 0, 1);
    EXPECT_EQ(r.panel1, "   CRC8    = 00001111  0x0F (15) - Адр. C1");
    EXPECT_EQ(r.panel2, "   Receive = 11110000  0xF0 (240) - Адр. 81  0");
    EXPECT_EQ(r.panel3, "Read 1");
}

} // namespace
} // namespace korvel
