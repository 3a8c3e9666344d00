#include "panel/KeyTable.h"

#include "link/DeviceMap.h"

namespace korvel {

namespace {
using G = KeyGroup;
// clang-format off
constexpr std::array<KeyDef, KEY_COUNT> kKeys{{
    {"1",     "imKlavisha1",     "key_1",     314,  49, 54, 54, 314, 368,  57, 110, G::B, keys::B_1,     false},
    {"2",     "imKlavisha2",     "key_2",     370,  49, 55, 54, 370, 424,  57, 110, G::B, keys::B_2,     false},
    {"3",     "imKlavisha3",     "key_3",     426,  49, 55, 54, 426, 480,  57, 110, G::B, keys::B_3,     false},
    {"Print", "imKlavishaPrint", "key_print", 482,  49, 55, 54, 482, 536,  57, 110, G::B, keys::B_PRINT, true},
    {"4",     "imKlavisha4",     "key_4",     314, 105, 54, 54, 314, 368, 113, 166, G::A, keys::A_4,     false},
    {"5",     "imKlavisha5",     "key_5",     370, 105, 55, 54, 370, 424, 113, 166, G::A, keys::A_5,     false},
    {"6",     "imKlavisha6",     "key_6",     426, 105, 55, 54, 426, 480, 113, 166, G::A, keys::A_6,     false},
    {"F",     "imKlavishaF",     "key_f",     482, 105, 55, 54, 482, 536, 113, 166, G::A, keys::A_F,     true},
    {"7",     "imKlavisha7",     "key_7",     314, 161, 54, 54, 314, 368, 170, 222, G::A, keys::A_7,     false},
    {"8",     "imKlavisha8",     "key_8",     370, 161, 55, 54, 370, 424, 170, 222, G::A, keys::A_8,     false},
    {"9",     "imKlavisha9",     "key_9",     426, 161, 55, 54, 426, 480, 170, 222, G::A, keys::A_9,     false},
    {"T",     "imKlavishaT",     "key_t",     482, 161, 55, 54, 482, 536, 170, 222, G::A, keys::A_T,     false},
    {"C",     "imKlavishaC",     "key_c",     314, 217, 54, 55, 314, 368, 226, 279, G::B, keys::B_C,     true},
    {"0",     "imKlavisha0",     "key_0",     370, 217, 55, 55, 370, 424, 226, 279, G::B, keys::B_0,     true},
    {"E",     "imKlavishaE",     "key_e",     426, 217, 55, 55, 426, 480, 226, 279, G::B, keys::B_E,     true},
    {"_0_",   "imKlavisha_0_",   "key_setzero", 482, 217, 55, 55, 482, 536, 226, 279, G::B, keys::B_ZERO,  false},
}};
// clang-format on
} // namespace

const std::array<KeyDef, KEY_COUNT>& keyTable()
{
    return kKeys;
}

bool inKeyField(int x, int y)
{
    return x >= KEY_FIELD_LEFT && x <= KEY_FIELD_RIGHT && y >= KEY_FIELD_TOP &&
           y <= KEY_FIELD_BOTTOM;
}

int keyAt(int x, int y)
{
    for (int i = 0; i < KEY_COUNT; ++i) {
        const KeyDef& k = kKeys[i];
        if (y >= k.hitTop && y <= k.hitBottom && x >= k.hitLeft && x <= k.hitRight)
            return i;
    }
    return -1;
}

} // namespace korvel
