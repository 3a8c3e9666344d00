// The chart's file items as the panel shows them: a loaded file's labels, axes, time labels
// and input traces in the plot; what may be saved; the messages for files that cannot be
// written or read whole; the picture of the chart.
#include "chart/ChartFiles.h"
#include "ChartPanelRig.h"
#include "chart/ChartController.h"
#include "chart/ChartFiguresRow.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTexts.h"
#include "chart/SampleTimeTicker.h"
#include "chart/core/ChartFileWriter.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include "support/QStringPrinter.h"
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace korvel {
namespace {

QByteArray cp1251(const QString& text)
{
    QStringEncoder encode("windows-1251");
    return encode(text);
}

class Files : public ::testing::Test, protected test::ChartPanelRig
{
protected:
    Files()
    {
        settings.DInputColor = {0x0000FF, 0x00FF00, 0x00FFFF, 0xFF00FF, 0x808080};
        start({700, 500});
    }

    QString write(const QString& name, const QString& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cp1251(text));
        return path;
    }
    // A recording as a run leaves it: points 0..3 with their input records.
    void record(std::uint8_t mask)
    {
        RunTiming timing;
        timing.windowPoints = 100;
        timing.secondsPerPoint = 0.06;
        chart.acquisition().clearSeries();
        const ChartRunSetup run{timing, mask, 0};
        chart.acquisition().beginRun(run);
        ChartSampleDecoder decoder;
        decoder.beginRun(chart.acquisition().scaling(), run);
        for (std::uint8_t inputs : {0x00, 0x01, 0x11, 0xA5}) {
            const std::uint8_t sample[4] = {std::uint8_t(inputs), 0, 0, inputs};
            chart.acquisition().addSample(decoder.decode(sample));
        }
        chart.ChartDataSource = ChartTexts::dataFromDevice();
    }
    QString tickLabel(double x) const { return plot->ticker().label(x); }
    double tracePixel(int input, int index) const
    {
        return plot->yAxis2->coordToPixel(plot->GraphicDInput(input)->data()->at(index)->value);
    }
};

const QString kHeader = QStringLiteral("twi\r\n"
                                       "Период АЦП, мс = 7.50\r\n"
                                       "Фильтр1 = 3\r\n"
                                       "%1\r\n"
                                       "   № п/п      Time         Weight    DInput\r\n");
const QString kPoints = QStringLiteral("      10      0.6           10           00\r\n"
                                       "      11      0.66          20           05\r\n"
                                       "      12      0.72          80           04\r\n");

TEST_F(Files, ALoadedFileShowsItsLabelsAxesTimeLabelsAndTraces)
{
    files.loadData(write(
        "mask5.twi",
        kHeader.arg(QStringLiteral("Маска вывода цифровых входов на графики = 5")) + kPoints));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(chart.ChartDataSource, ChartTexts::dataFromFile());
    EXPECT_FALSE(chart.saveOffered()) << "file data is not saved again";

    EXPECT_TRUE(panel.laPeriodACPFromFile()->isVisible());
    EXPECT_EQ(panel.laPeriodACPFromFile()->text(),
              QStringLiteral("Период АЦП, мс = 7.50      Фильтр1 = 3"));
    EXPECT_TRUE(panel.laNumDInputFromFile()->isVisible());
    EXPECT_EQ(panel.laNumDInputFromFile()->text(), QStringLiteral("Показывать цифр. входы 1, 3"));

    plot->repaintNow();
    EXPECT_EQ(plot->xAxis->range(), QCPRange(10, 12));
    EXPECT_NEAR(plot->yAxis->range().lower, 10 - 70.0 / 70, 1e-9);
    EXPECT_NEAR(plot->yAxis->range().upper, 80 + 70.0 / 70, 1e-9);
    EXPECT_EQ(tickLabel(11), QStringLiteral("0.66 c"));
    EXPECT_EQ(tickLabel(13), QString()) << "no point there";

    // Inputs 1 and 3 at their levels of that axis, in the configured colours.
    ASSERT_EQ(plot->GraphicDInput(1)->dataCount(), 3);
    ASSERT_EQ(plot->GraphicDInput(3)->dataCount(), 3);
    EXPECT_EQ(plot->GraphicDInput(2)->dataCount(), 0);
    const double low = 9, high = 81;
    EXPECT_NEAR(tracePixel(1, 1), plot->yAxis->coordToPixel(high - 72 * 0.045), 0.01);
    EXPECT_NEAR(tracePixel(3, 0), plot->yAxis->coordToPixel(low + 72 * 0.055), 0.01);
    EXPECT_NEAR(tracePixel(3, 2), plot->yAxis->coordToPixel(high - 72 * 0.055), 0.01);
    EXPECT_EQ(plot->GraphicDInput(3)->pen().color(), QColor(255, 255, 0));

    // A run hides the labels and gives the axis its seconds back.
    chart.puskStop();
    chart.stopRun();
    EXPECT_FALSE(panel.laPeriodACPFromFile()->isVisible());
    EXPECT_FALSE(panel.laNumDInputFromFile()->isVisible());
    EXPECT_EQ(chart.ChartDataSource, ChartTexts::dataFromDevice());
}

TEST_F(Files, AnOlderFileDrawsItsOneTraceBlueUntilTheNextRun)
{
    files.loadData(
        write("older.twi", kHeader.arg(QStringLiteral("График цифровых входов = 3")) + kPoints));
    EXPECT_EQ(panel.laNumDInputFromFile()->text(), QStringLiteral("Цифровой вход № 3"));
    plot->repaintNow();
    QCPGraph* trace = plot->GraphicDInput(1);
    ASSERT_EQ(trace->dataCount(), 3);
    EXPECT_EQ(trace->pen().color(), QColor(Qt::blue));
    EXPECT_NEAR(tracePixel(1, 0), plot->yAxis->coordToPixel(9 + 72 * 0.05), 0.01);
    EXPECT_NEAR(tracePixel(1, 1), plot->yAxis->coordToPixel(81 - 72 * 0.05), 0.01);

    emit chart.runStarting(1);
    EXPECT_EQ(plot->GraphicDInput(1)->pen().color(), QColor(255, 0, 0)) << "input 1's colour";
    plot->addInputPoint(1, 20, false);
    EXPECT_DOUBLE_EQ((plot->GraphicDInput(1)->data()->constEnd() - 1)->value, 0.045);
}

TEST_F(Files, AFileReadInPartSaysWhereAndKeepsThePointsBefore)
{
    const QString path = write(
        "broken.twi", kHeader.arg(QStringLiteral("Маска вывода цифровых входов на графики = 0")) +
                          "       0      0             1\r\n       1      0.06    x\r\n");
    files.loadData(path);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(path));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Строка 7")));
    EXPECT_EQ(plot->GraphicWeight()->dataCount(), 1);
    EXPECT_TRUE(panel.laPeriodACPFromFile()->isVisible());

    // A header that does not match: the chart is cleared and marked as file data.
    record(0);
    files.loadData(
        write("other.twi", QStringLiteral("twi\r\nPeriod = 7\r\n\r\n\r\n\r\n1 2 3\r\n")));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains(QStringLiteral("Строка 2")));
    EXPECT_EQ(plot->GraphicWeight()->dataCount(), 0);
    EXPECT_FALSE(chart.saveOffered());

    // A missing file does nothing.
    record(0);
    files.loadData(dir.filePath(QStringLiteral("none.twi")));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(plot->GraphicWeight()->dataCount(), 4);
}

TEST_F(Files, SavingWritesTheRecordingAndRefusesFileData)
{
    record(0x05);
    const QString path = dir.filePath(QStringLiteral("run.txt"));
    ASSERT_TRUE(files.saveData(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(bytes, ChartFileBytes(chart.fileData()));
    EXPECT_TRUE(bytes.startsWith("twi\r\n")) << "the chart file form whatever the extension";
    // The period field is empty here (being typed): the period in force is written.
    EXPECT_TRUE(bytes.contains(cp1251(QStringLiteral("\r\nПериод АЦП, мс = 7.50\r\n"))));
    // The last point: weight 165 counts of 0.001, input byte a5.
    EXPECT_TRUE(bytes.endsWith("       3      0.18" + QByteArray(11, ' ') + "0.165" +
                               QByteArray(7, ' ') + "a5\r\n"));

    // Loaded back it is file data: a second save is refused and writes nothing.
    files.loadData(path);
    EXPECT_EQ(plot->GraphicWeight()->dataCount(), 4) << messages.join('|').toStdString();
    EXPECT_FALSE(files.saveData(dir.filePath(QStringLiteral("again.twi"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("again.twi"))));

    // A file that cannot be written is named in the message.
    record(0);
    const QString bad = dir.filePath(QStringLiteral("no/folder/run.twi"));
    EXPECT_FALSE(files.saveData(bad));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(bad));
}

TEST_F(Files, APictureOfTheChartAsPngOrSvg)
{
    files.loadData(write(
        "mask1.twi",
        kHeader.arg(QStringLiteral("Маска вывода цифровых входов на графики = 1")) + kPoints));
    const QString png = dir.filePath(QStringLiteral("chart.png"));
    const QString svg = dir.filePath(QStringLiteral("chart.SVG"));
    ASSERT_TRUE(files.savePicture(png));
    ASSERT_TRUE(files.savePicture(svg));
    EXPECT_TRUE(messages.isEmpty());

    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(plot->width(), panel.figuresRow()->height() + plot->height()))
        << "the plot with the figures' row above it";
    int background = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            background += image.pixelColor(x, y) == QColor(233, 222, 160);
    EXPECT_GT(background, image.width() * image.height() / 16 / 2) << "the chart's background";

    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<svg")));
    EXPECT_TRUE(text.contains(QStringLiteral("0.66 c"))) << "the time labels";
    EXPECT_TRUE(text.contains(QStringLiteral("Цифровой вход"))) << "the labels over the plot";

    // PDF, the vector picture of a build without Qt Svg, is written on every build.
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    ASSERT_TRUE(files.savePicture(pdf));
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdfFile.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF-"));
    EXPECT_TRUE(pdfBytes.contains("/MediaBox")) << "one page";

    EXPECT_FALSE(files.savePicture(dir.filePath(QStringLiteral("no/folder/chart.png"))));
    EXPECT_EQ(messages.size(), 1);
}

} // namespace
} // namespace korvel
