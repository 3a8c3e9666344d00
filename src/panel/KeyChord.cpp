#include "panel/KeyChord.h"

#include "link/DeviceMap.h"

namespace korvel {

namespace {
std::uint8_t commandOf(KeyGroup g)
{
    return g == KeyGroup::A ? CMD_KEYS_A : CMD_KEYS_B;
}

WriteBatch keyWrites(KeyGroup g, std::uint8_t mask)
{
    return {{REG_ARGUMENT, mask}, {REG_COMMAND, commandOf(g)}};
}
} // namespace

void KeyChord::add(KeyGroup group, std::uint8_t bit)
{
    PendingCount[index(group)] += 1;
    PendingMask[index(group)] |= bit;
}

WriteBatch KeyChord::take(KeyGroup group)
{
    const std::uint8_t mask = PendingMask[index(group)];
    PendingCount[index(group)] = 0;
    PendingMask[index(group)] = 0;
    return keyWrites(group, mask);
}

std::vector<WriteBatch> KeyChord::press(KeyGroup group, std::uint8_t bit, bool ctrl)
{
    if (ctrl) {
        // The sixteenth key of a chord of all keys: press everything at once.
        if (PendingCount[0] + PendingCount[1] >= KEY_COUNT - 1) {
            PendingCount = {};
            PendingMask = {};
            WriteBatch all = keyWrites(KeyGroup::A, 0xFF);
            const WriteBatch b = keyWrites(KeyGroup::B, 0xFF);
            all.insert(all.end(), b.begin(), b.end());
            return {all};
        }
        add(group, bit);
        return {};
    }

    if (!anyPending())
        return {keyWrites(group, bit)};

    add(group, bit);
    if (PendingCount[0] > 0 && PendingCount[1] > 0) {
        WriteBatch both = take(KeyGroup::A);
        const WriteBatch b = take(KeyGroup::B);
        both.insert(both.end(), b.begin(), b.end());
        return {both};
    }
    std::vector<WriteBatch> out;
    if (PendingCount[0] > 0)
        out.push_back(take(KeyGroup::A));
    if (PendingCount[1] > 0)
        out.push_back(take(KeyGroup::B));
    return out;
}

void KeyChord::release(KeyGroup group, std::uint8_t bit)
{
    if (PendingCount[index(group)] == 0 || (PendingMask[index(group)] & bit) == 0)
        return;
    PendingCount[index(group)] -= 1;
    PendingMask[index(group)] ^= bit;
}

} // namespace korvel
