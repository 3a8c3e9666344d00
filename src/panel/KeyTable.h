#pragma once
#include <array>
#include <cstdint>

namespace korvel {

enum class KeyGroup { A = 0, B = 1 }; // A goes with CMD_KEYS_A, B with CMD_KEYS_B

// One key of the face: its pressed picture (window coordinates) and its hit rectangle
// (MainImage coordinates, bounds included).
struct KeyDef
{
    const char* caption;     // "1", "Print", "_0_", ...
    const char* control;     // name of the pressed picture control, e.g. "imKlavisha1"
    const char* art;         // picture file stem under :/art/keys/
    int picLeft, picTop, picWidth, picHeight;
    int hitLeft, hitRight, hitTop, hitBottom;
    KeyGroup group;
    std::uint8_t bit;
    bool faceDependent;      // C, 0, E, Print and F change with the doser face
};

inline constexpr int KEY_COUNT = 16;

// Rows first (1 2 3 Print / 4 5 6 F / 7 8 9 T / C 0 E _0_), then columns.
const std::array<KeyDef, KEY_COUNT>& keyTable();

// The whole key field in MainImage coordinates; points between keys belong to no key.
inline constexpr int KEY_FIELD_LEFT = 314, KEY_FIELD_RIGHT = 536;
inline constexpr int KEY_FIELD_TOP = 57, KEY_FIELD_BOTTOM = 279;

bool inKeyField(int x, int y);
// Index into keyTable() of the key under (x, y) in MainImage coordinates, or -1.
int keyAt(int x, int y);

} // namespace korvel
