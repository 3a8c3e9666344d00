#pragma once
// A small chart file's data that the writer's and the saving's tests share: four points with
// a negative and a zero weight, and input bytes up to A5.
#include "chart/core/ChartFileWriter.h"

namespace korvel::test {

inline ChartFileData exampleChartFileData()
{
    ChartFileData d;
    d.periodText = QStringLiteral("7.50");
    d.filter1 = 3;
    d.inputMask = 1;
    d.secondsPerPoint = 0.06;
    d.points = {{0, 12.345}, {1, 12.35}, {2, -0.5}, {3, 0}};
    d.inputs = {0x00, 0x01, 0x11, 0xA5};
    return d;
}

} // namespace korvel::test
