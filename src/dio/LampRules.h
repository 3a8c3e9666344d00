#pragma once
#include <QString>
#include <cstdint>

namespace korvel {

// The three lamp pictures of the I/O panel and which one each lamp shows.
enum class IoLampPicture { Gray, Green, Red };

inline constexpr int IO_INPUT_COUNT = 5;
inline constexpr int IO_OUTPUT_COUNT = 8;
// Inputs use bits 0..4 of their byte; the rest carries nothing.
inline constexpr std::uint8_t IO_INPUT_MASK = 0x1F;

// Input lamp i (0..4): green when bit i is set, else grey.
inline IoLampPicture inputLampPicture(std::uint8_t inputs, int i)
{
    return (inputs >> i) & 1 ? IoLampPicture::Green : IoLampPicture::Gray;
}

// Output lamp i (0..7): red when bit i is set, else grey.
inline IoLampPicture outputLampPicture(std::uint8_t outputs, int i)
{
    return (outputs >> i) & 1 ? IoLampPicture::Red : IoLampPicture::Gray;
}

inline QString ioLampArt(IoLampPicture p)
{
    switch (p) {
    case IoLampPicture::Green:
        return QStringLiteral(":/art/io/lamp_green.svg");
    case IoLampPicture::Red:
        return QStringLiteral(":/art/io/lamp_red.svg");
    case IoLampPicture::Gray:
        break;
    }
    return QStringLiteral(":/art/io/lamp_gray.svg");
}

inline QString ioHaloArt()
{
    return QStringLiteral(":/art/io/halo.svg");
}

} // namespace korvel
