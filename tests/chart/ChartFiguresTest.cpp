// The figures' row under the toolbar as a technician reads it: after a file is loaded, for
// the part of it in view, after a run's points, and in the chart's picture.
#include "ChartPanelRig.h"
#include "chart/ChartController.h"
#include "chart/ChartFiguresRow.h"
#include "chart/ChartFiles.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTexts.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include "support/QStringPrinter.h"
#include <QFile>
#include <QLabel>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <gtest/gtest.h>

namespace korvel {
namespace {

// Numbers as the user's locale writes them.
QString local(QString text)
{
    return text.replace('.', QLocale().decimalPoint());
}

class Figures : public ::testing::Test, protected test::ChartPanelRig
{
protected:
    // The indicator's decimals 2 and discreteness 5: a division is 0.05.
    Figures() { start({900, 500}); }

    QStringList shown() const
    {
        QStringList texts;
        for (QLabel* l :
             {row().mean(), row().deviation(), row().range(), row().points(), row().settling()})
            if (l->isVisible())
                texts << l->text();
        return texts;
    }
    ChartFiguresRow& row() const { return *panel.figuresRow(); }
};

// A loaded file's figures are the file's: its own decimals (two here, where the indicator
// connected has three) and no "(N d)", for the indicator's division is not the file's scale; its
// settling time is counted in the display's last digit its numbers show (0.1 from a chart
// file's two decimals), and its time texts are read with either separator, as the loader reads
// them.
TEST_F(Figures, ALoadedStepShowsItsSettlingAndTheViewItsOwnFigures)
{
    // 7.5 ms at filter 3: 0.06 s a point. 10 until point 20, then 4 up (40 of the file's
    // divisions) with a lag of 0.2 s, which keeps within 0.1 from 0.2 ln 40 = 0.74 s on: from
    // the first point after it, 0.78 s; at rest the weight alternates 0.02 about 14.
    const QChar locales = QLocale().decimalPoint().at(0);
    const QChar other = locales == '.' ? QChar(',') : QChar('.');
    for (const QChar separator : {locales, other}) {
        SCOPED_TRACE(separator.toLatin1());
        auto written = [&](double v, int decimals) {
            return QString::number(v, 'f', decimals).replace('.', separator);
        };
        QString text = QStringLiteral("twi\r\nПериод АЦП, мс = 7.50\r\nФильтр1 = 3\r\n"
                                      "Маска вывода цифровых входов на графики = 0\r\n"
                                      "   № п/п      Time         Weight\r\n");
        for (int x = 0; x < 100; ++x) {
            double w = x <= 20 ? 10.0 : 14.0 - 4.0 * std::exp(-(x - 20) * 0.06 / 0.2);
            if (x >= 60)
                w += x % 2 ? -0.02 : 0.02;
            text += QString::asprintf("%8d %12s %14s\r\n", x, qPrintable(written(x * 0.06, 2)),
                                      qPrintable(written(w, 2)));
        }
        const QString path = dir.filePath(QStringLiteral("step.twi"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QStringEncoder("windows-1251")(text));
        }
        files.loadData(path);
        ASSERT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        plot->repaintNow();
        EXPECT_EQ(row().points()->text(), QStringLiteral("Точек = 100"));
        EXPECT_TRUE(row().settling()->isVisible());
        EXPECT_EQ(row().settling()->text(), local(QStringLiteral("Время успокоения = 0.78 с")));

        // Dragged to the rest at the end: the figures of what is in view, and no step there.
        plot->xAxis->setRange(60, 99);
        plot->replot();
        EXPECT_EQ(shown(), (QStringList{local(QStringLiteral("Среднее = 14.00")),
                                        local(QStringLiteral("СКО = 0.02")),
                                        local(QStringLiteral("Размах = 0.04")),
                                        QStringLiteral("Точек = 40")}));
    }

    // The picture carries the row above the plot.
    const QString png = dir.filePath(QStringLiteral("chart.png"));
    ASSERT_TRUE(files.savePicture(png));
    EXPECT_EQ(QImage(png).size(), QSize(plot->width(), row().height() + plot->height()));
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    ASSERT_TRUE(files.savePicture(pdf));
#ifdef KORVEL_HAVE_SVG
    const QString svg = dir.filePath(QStringLiteral("chart.svg"));
    ASSERT_TRUE(files.savePicture(svg));
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString picture = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(picture.contains(QStringLiteral("Точек = 40")));
    // (the writer cuts a text into runs where its script changes)
    EXPECT_TRUE(picture.contains(local(QStringLiteral("Размах = 0.04"))));
#endif
}

TEST_F(Figures, ARunsPointsAndTooFewPoints)
{
    plot->repaintNow();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Среднее = —"), QStringLiteral("СКО = —"),
                                    QStringLiteral("Размах = —"), QStringLiteral("Точек = 0")}));

    // Counts 0, 1, 17 and 165 at 0.001 a count.
    RunTiming timing;
    timing.windowPoints = 100;
    timing.secondsPerPoint = 0.06;
    const ChartRunSetup run{timing, 0, 0};
    chart.acquisition().beginRun(run);
    ChartSampleDecoder decoder;
    decoder.beginRun(chart.acquisition().scaling(), run);
    for (std::uint8_t count : {0, 1, 17, 165}) {
        const std::uint8_t sample[4] = {count, 0, 0, 0};
        chart.acquisition().addSample(decoder.decode(sample));
    }
    plot->repaintNow();
    EXPECT_EQ(row().points()->text(), QStringLiteral("Точек = 4"));
    EXPECT_EQ(row().range()->text(), local(QStringLiteral("Размах = 0.165 (3.3 d)")));
    EXPECT_FALSE(row().settling()->isVisible());
}

} // namespace
} // namespace korvel
