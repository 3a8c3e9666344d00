// "Записывать в файл" on chart mode as the window composes it, against korvel-sim's counting
// stream over a pseudo-terminal (the weight is the frame's number, the input byte bits 4..11 of
// it): every frame in the file once and in order while the chart keeps only its window, also
// across the parts of a long recording, a new file for every run, a save refused on the file
// being written, and a file that cannot be written stopping the recording but not the run.
#include "chart/ChartRecording.h"
#include "chart/ChartController.h"
#include "chart/ChartFiles.h"
#include "chart/ChartMode.h"
#include "chart/ChartPanel.h"
#include "chart/core/ChartFileReader.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"
#include "support/WaitFor.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>

namespace korvel {
namespace {

using Mode = ChartController::Mode;

class ChartRecordingOnSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim::SimOptions o;
        o.periodMs = 2;
        o.streamPattern = sim::StreamPattern::Counting;
        // A stable name for the port, which outlives the simulated adapter being pulled out.
        o.linkPath = dir.filePath(QStringLiteral("port.tty")).toStdString();
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        ASSERT_EQ(port.open(o.linkPath, 115200, 200).status, PortOpenStatus::Ok);
        settings.PeriodACP = 2;
        settings.PeriodACPSec = 0.002;
        settings.NumDInputOnGraphicMask = 0x1F;
        controls.setTimeOnGraph(1); // a window of 500 points: the chart trims, the file must not
        link = std::make_unique<Link>(port, systemClock(), settings);
        poll = std::make_unique<PollCycle>(*link, settings, front);
        mode = std::make_unique<ChartMode>(*link, settings, controls, *poll, &panelGraphic);
        rec().chooseFile = [this](QString& path) {
            ++asked;
            if (answers.empty())
                return false;
            const std::optional<QString> answer = answers.front();
            answers.pop_front();
            if (answer)
                path = *answer;
            return answer.has_value();
        };
        rec().showMessage = [this](const PopupMessage& m) { messages << m.text; };
        mode->files().showMessage = [this](const PopupMessage& m) { messages << m.text; };
        chart().enter();
        ASSERT_EQ(chart().mode(), Mode::Idle);
    }
    void TearDown() override
    {
        if (chart().running())
            chart().puskStop();
        mode.reset();
        poll.reset();
        link.reset();
        port.close();
        sim->stop();
    }

    ChartController& chart() { return mode->controller(); }
    ChartRecording& rec() { return mode->recording(); }
    QCheckBox* box() { return mode->panel().CheckBoxRecordToFile(); }
    QString file(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
    bool waitForSamples(int n)
    {
        const int target = chart().acquisition().SampleCounter() + n;
        return test::waitFor([&] { return chart().acquisition().SampleCounter() >= target; },
                             20000);
    }
    static ChartFileContents readBack(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return ReadChartFile(f);
    }
    // Frames firstX, firstX + 1, ... up to the last the run plotted, each once, in order, with
    // its weight and input byte.
    void expectEveryFrame(const ChartFileContents& c, int firstX)
    {
        ASSERT_FALSE(c.problem) << c.problem.line;
        ASSERT_FALSE(c.points.empty());
        EXPECT_EQ(c.points.front().x, firstX);
        EXPECT_EQ(c.points.back().x, chart().acquisition().SampleCounter() - 1) << "to the end";
        ASSERT_EQ(c.traceBytes.size(), c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const int x = firstX + int(i);
            ASSERT_EQ(c.points[i].x, x) << i;
            ASSERT_NEAR(c.points[i].y, x * 0.001, 1e-9) << i;
            ASSERT_EQ(c.traceBytes[i], (x >> 4) & 0xFF) << i;
        }
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    Uperemen settings;
    ChartControls controls;
    std::unique_ptr<Link> link;
    FrontPanel front;
    std::unique_ptr<PollCycle> poll;
    QWidget panelGraphic;
    std::unique_ptr<ChartMode> mode;
    std::deque<std::optional<QString>> answers; // the dialog's answers; nullopt: cancelled
    int asked = 0;
    QStringList messages;
};

TEST_F(ChartRecordingOnSim, EveryFrameOfTheRunIsInTheFileOnceAndInOrder)
{
    for (const bool duringRun : {false, true}) {
        SCOPED_TRACE(duringRun ? "ticked during the run" : "ticked before the run");
        const QString path = file(duringRun ? "during.twi" : "before.twi");
        answers = {path};
        if (!duringRun)
            box()->click();
        chart().puskStop();
        ASSERT_TRUE(waitForSamples(800));
        const int firstHeld = int(chart().acquisition().weightPoints().front().x);
        if (duringRun)
            box()->click(); // the points the chart still holds go first
        ASSERT_TRUE(rec().recording());
        ASSERT_TRUE(waitForSamples(2000));
        EXPECT_LE(chart().acquisition().weightPoints().size(), 500u) << "the chart its window";
        chart().puskStop();
        EXPECT_FALSE(rec().recording()) << "closed at the stop";
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        expectEveryFrame(readBack(path), duringRun ? firstHeld : 0);
        box()->click(); // unticked for the next case
    }
}

// Every run has a file of its own: the second asks again, and a cancelled question unticks the
// box while the run goes on unrecorded. The first recording is never touched.
TEST_F(ChartRecordingOnSim, EachRunAsksForItsOwnFile)
{
    for (const bool secondChosen : {true, false}) {
        SCOPED_TRACE(secondChosen ? "second file chosen" : "second dialog cancelled");
        const QString first = file(secondChosen ? "a1.twi" : "b1.twi");
        const QString second = file(secondChosen ? "a2.twi" : "b2.twi");
        answers = {first, secondChosen ? std::optional(second) : std::nullopt};
        asked = 0;
        box()->click();
        chart().puskStop();
        ASSERT_TRUE(waitForSamples(300));
        chart().puskStop();
        QFile firstFile(first);
        ASSERT_TRUE(firstFile.open(QIODevice::ReadOnly));
        const QByteArray firstBytes = firstFile.readAll();
        firstFile.close();
        EXPECT_EQ(asked, 1);

        chart().puskStop();
        EXPECT_EQ(asked, 2) << "the second run asks";
        ASSERT_EQ(chart().mode(), Mode::Running) << "and starts either way";
        EXPECT_EQ(box()->isChecked(), secondChosen);
        EXPECT_EQ(rec().recording(), secondChosen);
        ASSERT_TRUE(waitForSamples(300));
        chart().puskStop();
        ASSERT_TRUE(firstFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(firstFile.readAll(), firstBytes) << "the first recording untouched";
        if (secondChosen)
            expectEveryFrame(readBack(second), 0);
        else
            EXPECT_FALSE(QFile::exists(second));
        if (box()->isChecked())
            box()->click();
    }
}

// A file that cannot be written: a full disk (/dev/full refuses every write with ENOSPC), and
// a folder removed under the recording (a stick pulled out). The message names the file, the
// box unticks, and the run goes on plotting.
TEST_F(ChartRecordingOnSim, AFileThatCannotBeWrittenStopsTheRecordingNotTheRun)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("stick")));
    const struct
    {
        QString path;
        std::function<void()> breakIt;
    } cases[] = {
        {QStringLiteral("/dev/full"), [] {}},
        {file("stick/run.twi"), [&] { ASSERT_TRUE(QDir(file("stick")).removeRecursively()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        messages.clear();
        answers = {c.path};
        box()->click();
        chart().puskStop();
        ASSERT_TRUE(waitForSamples(200));
        c.breakIt();
        ASSERT_TRUE(test::waitFor([&] { return !messages.isEmpty(); }, 5000)) << "no message";
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages.front().contains(c.path)) << messages.front().toStdString();
        EXPECT_FALSE(box()->isChecked());
        EXPECT_FALSE(rec().recording());
        EXPECT_EQ(chart().mode(), Mode::Running);
        EXPECT_TRUE(waitForSamples(200)) << "the run goes on";
        chart().puskStop();
    }
}

// The adapter pulled out in the middle: the run ends as "Стоп" would, and so does the file,
// complete up to the last point the chart got.
TEST_F(ChartRecordingOnSim, APulledAdapterEndsTheRecordingWithTheRun)
{
    const QString path = file("pulled.twi");
    answers = {path};
    box()->click();
    chart().puskStop();
    ASSERT_TRUE(waitForSamples(500));
    ASSERT_TRUE(sim->unplug());
    ASSERT_TRUE(test::waitFor([&] { return chart().mode() == Mode::Idle; }, 5000));
    EXPECT_FALSE(rec().recording());
    expectEveryFrame(readBack(path), 0);
    ASSERT_TRUE(sim->replug());
}

// A recording past the part size goes on in the next part while the stream runs: each part
// loads alone, and together they hold every frame once and in order.
TEST_F(ChartRecordingOnSim, ALongRecordingGoesOnInPartsWithNoFrameLostOrDoubled)
{
    const QString path = file("long.twi");
    rec().setPartBytes(40000); // about 900 points a part
    answers = {path};
    box()->click();
    chart().puskStop();
    ASSERT_TRUE(waitForSamples(3000));
    chart().puskStop();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QStringList parts = rec().recorder().paths();
    ASSERT_GE(parts.size(), 3);
    EXPECT_EQ(parts[1], file("long (2).twi"));
    ChartFileContents all;
    for (const QString& part : parts) {
        SCOPED_TRACE(part.toStdString());
        EXPECT_LE(QFileInfo(part).size(), 40000);
        const ChartFileContents c = readBack(part);
        ASSERT_FALSE(c.problem) << c.problem.line;
        EXPECT_EQ(c.form, ChartFileContents::Form::Chart);
        all.points.insert(all.points.end(), c.points.begin(), c.points.end());
        all.traceBytes.insert(all.traceBytes.end(), c.traceBytes.begin(), c.traceBytes.end());
    }
    expectEveryFrame(all, 0);
}

// "Сохранить в файле данные из графика" during a recording refuses the file being written,
// however its name is spelt (relative, through a link, an earlier part), and the recording goes
// on unharmed; another file is saved, and once the run has ended the recording's file too.
TEST_F(ChartRecordingOnSim, ASaveOntoTheFileBeingRecordedIsRefused)
{
    const QString path = file("rec.twi");
    rec().setPartBytes(40000);
    answers = {path};
    box()->click();
    chart().puskStop();
    ASSERT_TRUE(waitForSamples(1200));
    ASSERT_GE(rec().recorder().paths().size(), 2) << "a second part begun";
    const QString link = file("link.twi");
    ASSERT_TRUE(QFile::link(path, link));
    const QString relative = QDir::current().relativeFilePath(path);
    ASSERT_FALSE(QDir::isAbsolutePath(relative));
    for (const QString& spelling :
         {path, relative, link, file("./sub/../rec.twi"), rec().recorder().path()}) {
        SCOPED_TRACE(spelling.toStdString());
        if (spelling.contains(QStringLiteral("sub")))
            ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sub")));
        messages.clear();
        EXPECT_FALSE(mode->files().saveData(spelling));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(spelling));
        EXPECT_TRUE(messages[0].contains(QStringLiteral("идёт запись")));
    }
    messages.clear();
    EXPECT_TRUE(mode->files().saveData(file("other.twi")));
    ASSERT_TRUE(waitForSamples(500));
    chart().puskStop();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ChartFileContents all;
    for (const QString& part : rec().recorder().paths()) {
        const ChartFileContents c = readBack(part);
        all.points.insert(all.points.end(), c.points.begin(), c.points.end());
        all.traceBytes.insert(all.traceBytes.end(), c.traceBytes.begin(), c.traceBytes.end());
    }
    expectEveryFrame(all, 0);
    EXPECT_TRUE(mode->files().saveData(path)) << "no recording goes on";
}

} // namespace
} // namespace korvel
