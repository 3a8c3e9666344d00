// Which installed face stands for "Courier New", the digits' font.
#include "ui/UiFonts.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(CourierFamily, PrefersCourierNewThenAPlainZeroFace)
{
    struct Case
    {
        QStringList installed;
        const char* chosen;
    };
    const Case cases[] = {
        {{"DejaVu Sans", "Liberation Mono", "Nimbus Mono PS", "Courier New"}, "Courier New"},
        {{"courier new"}, "Courier New"},
        // A family from two foundries is listed once per foundry.
        {{"Liberation Mono", "Nimbus Mono PS [urw]", "Nimbus Mono PS [UKWN]"}, "Nimbus Mono PS"},
        {{"DejaVu Sans Mono", "Liberation Mono"}, "Liberation Mono"},
        // Nothing Courier-shaped: the name goes to the font matcher as it is.
        {{"DejaVu Sans Mono"}, "Courier New"},
        {{}, "Courier New"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseCourierFamily(c.installed).toStdString(), c.chosen)
            << c.installed.join(", ").toStdString();
}
