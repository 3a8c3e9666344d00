// The progress texts of the transfer dialog in a comma and a point locale; which bytes a write
// sends and how its end message names what did not take.
#include "memory/ImageDiff.h"
#include "memory/MemoryMessages.h"
#include "memory/TransferTexts.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(TransferTexts, PageProgress)
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    const MemoryArea eeprom = MemoryArea::eeprom();
    const MemoryArea fm = MemoryArea::fm();
    struct Case
    {
        MemoryArea area;
        int page, offset;
        QLocale locale;
        const char* text;
    };
    const Case cases[] = {
        {eeprom, 0, 0, ru, "0,0% (Page = 00h)"},   {eeprom, 3, 0, ru, "37,5% (Page = 03h)"},
        {eeprom, 3, 0, c, "37.5% (Page = 03h)"},   {eeprom, 7, 0, ru, "87,5% (Page = 07h)"},
        {eeprom, 0, 16, ru, "0,8% (Page = 00h)"},  // 100 * (16/256) / 8 = 0.78
        {eeprom, 7, 240, c, "99.2% (Page = 07h)"}, // 100 * (7 + 240/256) / 8 = 99.22
        {fm, 8, 0, ru, "0,0% (Page = 08h)"},       {fm, 127, 0, c, "99.2% (Page = 7Fh)"},
        {fm, 68, 128, c, "50.4% (Page = 44h)"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        EXPECT_EQ(PageProgressText(k.area, k.page, k.offset, k.locale), k.text);
    }
    EXPECT_EQ(WriteFinishedText(fm), "100% (Page = 7Fh)");
    EXPECT_EQ(WriteFinishedText(eeprom), "100% (Page = 07h)");
}

TEST(TransferTexts, CaptionsAndPreparation)
{
    EXPECT_EQ(ReadCaption(MemoryArea::eeprom()), "Чтение данных из EEPROM");
    EXPECT_EQ(WriteCaption(MemoryArea::fm()), "Запись данных в FM");
    EXPECT_EQ(PrepareCaption(), "Подготовка данных");
    EXPECT_EQ(PreparePercentText(0, 6416), "0 %");
    EXPECT_EQ(PreparePercentText(1000, 3000), "33 %");
    EXPECT_EQ(PreparePercentText(6000, 6416), "93 %");
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

TEST(ImageDiff, FmBytesCarryTheirAbsolutePageAndOnlyTheReadPagesAreCompared)
{
    const MemoryArea fm = MemoryArea::fm();
    std::vector<std::uint8_t> current(static_cast<std::size_t>(fm.bytes()), 0x11);
    std::vector<std::uint8_t> image = current;
    image[0] = 0x22;           // page 8, offset 0
    image[256 * 119 + 255] = 0x33; // page 127, offset 255
    EXPECT_EQ(BytesToWrite(fm, image, current, false),
              (std::vector<ByteDiff>{{8, 0, 0x22, 0x11}, {127, 255, 0x33, 0x11}}));
    EXPECT_EQ(BytesToWrite(fm, image, current, true).size(), 30720u);
    EXPECT_EQ(PagesOf(BytesToWrite(fm, image, current, false)), (std::vector<int>{8, 127}));
    EXPECT_EQ(Mismatches(fm, {127}, image, current),
              (std::vector<ByteDiff>{{127, 255, 0x33, 0x11}}));
}

TEST(WriteEndMessage, NamesTheFirstFourMismatchesAndCountsTheRest)
{
    WriteSummary s;
    s.written = 20;
    for (int i = 0; i < 6; ++i)
        s.left.push_back({3, 0x1A + i, 0x5A, 0x00});
    const QString text = WriteEndMessage(s, MemoryArea::eeprom(), QStringLiteral("/b/x")).text;
    EXPECT_TRUE(text.contains(QStringLiteral("Не совпадает байт: 6"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("03:1D: ожидалось 5A, прочитано 00")));
    EXPECT_FALSE(text.contains(QStringLiteral("03:1E"))) << "only the first four are named";
    EXPECT_TRUE(text.contains(QStringLiteral("…")));
    EXPECT_TRUE(text.contains(QStringLiteral("Записано байт: 20 из 2048.")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("/b/x")));
}

} // namespace
} // namespace korvel
