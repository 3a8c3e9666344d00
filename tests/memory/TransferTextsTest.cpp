// The progress texts of the transfer dialog in a comma and a point locale.
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
