#include "link/DeviceMap.h"
#include "panel/KeyChord.h"
#include "panel/KeyTable.h"
#include "panel/ServiceSequence.h"

#include <gtest/gtest.h>

#include <QtCore/qnamespace.h>

namespace korvel {
namespace {

const KeyDef& key(const char* caption)
{
    for (const KeyDef& k : keyTable())
        if (std::string_view(k.caption) == caption)
            return k;
    throw std::runtime_error("no such key");
}

std::vector<WriteBatch> click(KeyChord& chord, const char* caption, bool ctrl = false)
{
    const KeyDef& k = key(caption);
    return chord.press(k.group, k.bit, ctrl);
}

WriteBatch keys(std::uint8_t mask, std::uint8_t cmd)
{
    return {{REG_ARGUMENT, mask}, {REG_COMMAND, cmd}};
}

TEST(KeyTable, HitRectanglesAndGaps)
{
    struct Case { int x, y; const char* key; };
    const Case cases[] = {
        {314, 57, "1"},   {368, 110, "1"}, {370, 57, "2"},  {536, 110, "Print"},
        {400, 140, "5"},  {482, 113, "F"}, {314, 170, "7"}, {536, 222, "T"},
        {314, 279, "C"},  {400, 250, "0"}, {480, 226, "E"}, {536, 279, "_0_"},
        {369, 80, nullptr},  // between columns 1 and 2
        {400, 111, nullptr}, // between rows
        {400, 224, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        const int i = keyAt(c.x, c.y);
        if (c.key == nullptr) {
            EXPECT_EQ(i, -1);
        } else {
            ASSERT_NE(i, -1) << "expected " << c.key;
            EXPECT_STREQ(keyTable()[i].caption, c.key);
        }
    }
    EXPECT_TRUE(inKeyField(369, 80));
    EXPECT_FALSE(inKeyField(300, 80));
    EXPECT_FALSE(inKeyField(400, 56));
    EXPECT_FALSE(inKeyField(537, 100));
}

TEST(KeyChord, SingleClickSendsArgumentThenCommand)
{
    KeyChord chord;
    EXPECT_EQ(click(chord, "5"), std::vector<WriteBatch>{keys(0x02, CMD_KEYS_A)});
    EXPECT_EQ(click(chord, "1"), std::vector<WriteBatch>{keys(0x01, CMD_KEYS_B)});
    EXPECT_FALSE(chord.anyPending());
}

TEST(KeyChord, ChordAcrossBothGroupsIsOneBatch)
{
    KeyChord chord;
    EXPECT_TRUE(click(chord, "1", true).empty());
    EXPECT_TRUE(click(chord, "4", true).empty());
    WriteBatch expected = keys(0x01, CMD_KEYS_A);
    const WriteBatch b = keys(0x03, CMD_KEYS_B);
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(click(chord, "2"), std::vector<WriteBatch>{expected});
    EXPECT_FALSE(chord.anyPending());
}

TEST(KeyChord, ChordInOneGroup)
{
    KeyChord chord;
    click(chord, "7", true);
    click(chord, "8", true);
    EXPECT_EQ(click(chord, "9"), std::vector<WriteBatch>{keys(0x70, CMD_KEYS_A)});
}

TEST(KeyChord, ReleasingACollectedKeyEmptiesTheChord)
{
    KeyChord chord;
    click(chord, "1", true);
    chord.release(key("1").group, key("1").bit);
    EXPECT_FALSE(chord.anyPending());
    EXPECT_EQ(click(chord, "3"), std::vector<WriteBatch>{keys(0x04, CMD_KEYS_B)});
}

TEST(KeyChord, ReleasingAKeyThatWasNeverCollectedChangesNothing)
{
    KeyChord chord;
    click(chord, "5"); // sent at once, only drawn pressed for a moment
    chord.release(key("5").group, key("5").bit);
    EXPECT_FALSE(chord.anyPending());
    click(chord, "7", true);
    chord.release(key("8").group, key("8").bit);
    EXPECT_EQ(chord.pendingCount(KeyGroup::A), 1);
    EXPECT_EQ(click(chord, "9"), std::vector<WriteBatch>{keys(0x50, CMD_KEYS_A)});
}

TEST(KeyChord, SixteenthCtrlClickPressesAllKeys)
{
    KeyChord chord;
    for (int i = 0; i < KEY_COUNT - 1; ++i) {
        const KeyDef& k = keyTable()[i];
        EXPECT_TRUE(chord.press(k.group, k.bit, true).empty());
    }
    const KeyDef& last = keyTable()[KEY_COUNT - 1];
    WriteBatch expected = keys(0xFF, CMD_KEYS_A);
    const WriteBatch b = keys(0xFF, CMD_KEYS_B);
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(chord.press(last.group, last.bit, true), std::vector<WriteBatch>{expected});
    EXPECT_FALSE(chord.anyPending());
}

TEST(ServiceSequence, FirstKeyTwiceThenTheRestWithCtrl)
{
    const int k0 = ServiceSequence::CODE[0], k1 = ServiceSequence::CODE[1],
              k2 = ServiceSequence::CODE[2], k3 = ServiceSequence::CODE[3],
              k4 = ServiceSequence::CODE[4];
    struct Case { std::vector<std::pair<int, bool>> events; bool toggles; };
    const Case cases[] = {
        {{{k0, true}, {k0, true}, {k1, true}, {k2, true}, {k3, true}, {k4, true}}, true},
        // the first key only once
        {{{k0, true}, {k1, true}, {k2, true}, {k3, true}, {k4, true}}, false},
        // Ctrl itself in the middle resets the count
        {{{k0, true}, {k0, true}, {Qt::Key_Control, true}, {k1, true}, {k2, true},
          {k3, true}, {k4, true}}, false},
        // one key without Ctrl
        {{{k0, true}, {k0, true}, {k1, true}, {k2, false}, {k3, true}, {k4, true}}, false},
        // the first key three times is a wrong step
        {{{k0, true}, {k0, true}, {k0, true}, {k1, true}, {k2, true}, {k3, true},
          {k4, true}}, false},
    };
    for (const Case& c : cases) {
        ServiceSequence seq;
        bool toggled = false;
        for (auto [key, ctrl] : c.events)
            toggled = seq.keyDown(key, ctrl);
        EXPECT_EQ(toggled, c.toggles);
        if (toggled)
            EXPECT_EQ(seq.step(), 0);
    }
}

} // namespace
} // namespace korvel
