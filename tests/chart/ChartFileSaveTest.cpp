// The chart file put on disk: the old file replaced whole, and a save that cannot happen
// says why instead of leaving a part of a file behind.
#include "chart/ChartFileSave.h"

#include "ChartFileExample.h"
#include "support/QStringPrinter.h"
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);

ChartFileData exampleData()
{
    return test::exampleChartFileData();
}

TEST(ChartFileSave, SavingReplacesTheFileOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.txt"));
    ChartFileData first = exampleData();
    first.points.resize(1);
    ASSERT_EQ(SaveChartFile(path, first, kPoint), QString());
    ASSERT_EQ(SaveChartFile(path, exampleData(), kPoint), QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), ChartFileBytes(exampleData(), kPoint));

    EXPECT_FALSE(
        SaveChartFile(dir.filePath(QStringLiteral("no/such/folder/run.twi")), exampleData(), kPoint)
            .isEmpty());
    EXPECT_FALSE(SaveChartFile(dir.path(), exampleData(), kPoint).isEmpty())
        << "a folder by that name";
}

} // namespace
} // namespace korvel
