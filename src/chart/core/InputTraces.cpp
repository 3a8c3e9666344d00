#include "chart/core/InputTraces.h"

#include <algorithm>
#include <cstring>

namespace korvel {

InputLevels InputLevelsFor(double inset, double axisMin, double axisMax)
{
    const double range = axisMax - axisMin;
    return {axisMin + range * inset, axisMax - range * inset};
}

InputLevels InputLevelsOf(int input, double axisMin, double axisMax)
{
    return InputLevelsFor(kInputInsets[std::size_t(std::clamp(input, 1, kInputCount) - 1)], axisMin,
                          axisMax);
}

InputDelayLine::InputDelayLine(int z) : z_(std::clamp(z, 0, kMaxDelay))
{
}

void InputDelayLine::fill(int sampleCounter, std::uint8_t byte)
{
    if (sampleCounter >= 0 && sampleCounter < z_)
        line_[std::size_t(sampleCounter)] = byte;
}

std::uint8_t InputDelayLine::pass(std::uint8_t byte)
{
    if (z_ == 0)
        return byte;
    std::memmove(line_.data(), line_.data() + 1, std::size_t(z_ - 1));
    line_[std::size_t(z_ - 1)] = byte;
    return line_[0];
}

QString DelayCountDownText(int left)
{
    return QStringLiteral("Задержка сигнала, осталось, изм.: ") + QString::number(left);
}

QString InputRecords::text(int i) const
{
    return QStringLiteral("%1").arg(unsigned(byte(i)), 2, 16, QLatin1Char('0'));
}

} // namespace korvel
