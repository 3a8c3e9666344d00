// A chart file recorded point by point: the same bytes as a save of the whole run, whatever was
// already held when it began and however often it was flushed; a long recording cut into parts
// that each load alone and together hold the run; a file that cannot grow or is taken away stops
// the recording and keeps its whole lines.
#include "chart/core/ChartFileRecorder.h"
#include "chart/core/ChartFileReader.h"

#include "ChartFileExample.h"
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace korvel {
namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Russian, QLocale::Russia);

// The example file's header with `n` points of a counting run (inputs = bits 4..11 of x).
ChartFileData countingRun(int n, std::uint8_t mask)
{
    ChartFileData d = test::exampleChartFileData();
    d.inputMask = mask;
    d.points.clear();
    d.inputs.clear();
    for (int x = 0; x < n; ++x) {
        d.points.push_back({double(x), x * 0.001 - 1.5});
        d.inputs.push_back(std::uint8_t(x >> 4));
    }
    return d;
}

ChartFileData firstPoints(const ChartFileData& run, std::size_t n)
{
    ChartFileData d = run;
    d.points.resize(n);
    d.inputs.resize(n);
    return d;
}

TEST(ChartFileRecorder, PointByPointGivesTheBytesOfASaveOfTheWholeRun)
{
    const struct
    {
        const char* name;
        ChartFileData run;
        QLocale locale;
        std::size_t held; // points the chart held when the recording began
        int flushEvery;   // 0: only at the end (and when too much waits)
    } cases[] = {
        {"example, point", test::exampleChartFileData(), kPoint, 0, 1},
        {"example, comma", test::exampleChartFileData(), kComma, 0, 0},
        {"begun mid-run", test::exampleChartFileData(), kPoint, 2, 1},
        {"no inputs", countingRun(50, 0), kComma, 0, 7},
        {"long, self-flushing", countingRun(20000, 0x1F), kPoint, 100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes; // outlives the device, which the recorder closes and deletes
        ChartFileRecorder recorder(c.locale);
        ASSERT_TRUE(recorder.start(std::make_unique<QBuffer>(&bytes), firstPoints(c.run, c.held)));
        // Later points come as a run's decoded samples, with their own time.
        for (std::size_t i = c.held; i < c.run.points.size(); ++i) {
            const ChartPoint& p = c.run.points[i];
            ChartSample sample;
            sample.number = int(p.x);
            sample.seconds = p.x * c.run.secondsPerPoint;
            sample.weight = p.y;
            sample.inputs = c.run.inputs[i];
            ASSERT_TRUE(recorder.append(sample));
            ASSERT_LT(recorder.pendingBytes(), ChartFileRecorder::kMaxPendingBytes);
            if (c.flushEvery > 0 && int(i) % c.flushEvery == 0) {
                ASSERT_TRUE(recorder.flush());
            }
        }
        EXPECT_EQ(recorder.points(), (long long)c.run.points.size());
        if (c.flushEvery == 0 && c.run.points.size() < 100) {
            EXPECT_TRUE(bytes.isEmpty()) << "nothing goes out before a flush";
        }
        ASSERT_TRUE(recorder.finish());
        EXPECT_FALSE(recorder.active());
        EXPECT_EQ(bytes, ChartFileBytes(c.run, c.locale));
    }
}

class ChartRecorderOnDisk : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const ChartFileData run = countingRun(2000, 0x1F);

    ChartFileContents readBack(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return ReadChartFile(file);
    }
};

// A disk that fills up in the middle of a flush: the recording stops saying why, and the file
// ends with the last whole line that went out, so it reads back without a broken line.
TEST_F(ChartRecorderOnDisk, AFileThatCannotGrowKeepsItsWholeLines)
{
    const QString path = dir.filePath(QStringLiteral("run.twi"));
    ChartFileRecorder recorder(kPoint);
    ASSERT_TRUE(recorder.start(path, firstPoints(run, 0)));
    for (int i = 0; i < 10; ++i)
        recorder.append(run.points[i], run.inputs[i]);
    ASSERT_TRUE(recorder.flush());
    const qint64 tenPoints = QFileInfo(path).size();
    const qint64 lineBytes = ChartFileBytes(firstPoints(run, 11), kPoint).size() - tenPoints;

    // The file may grow by two and a half lines more: a write that reaches the limit is cut
    // there, and the next one fails, as on a full disk.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = rlim_t(tenPoints + lineBytes * 5 / 2);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    for (int i = 10; i < 100; ++i)
        recorder.append(run.points[i], run.inputs[i]);
    const bool flushed = recorder.flush();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(flushed);
    EXPECT_FALSE(recorder.errorString().isEmpty());
    EXPECT_FALSE(recorder.active());
    EXPECT_FALSE(recorder.append(run.points[100], 0)) << "nothing more after a failure";
    EXPECT_EQ(QFileInfo(path).size(), tenPoints + 2 * lineBytes);
    const ChartFileContents back = readBack(path);
    EXPECT_FALSE(back.problem) << back.problem.line;
    ASSERT_EQ(back.points.size(), 12u);
    EXPECT_EQ(back.points.back().x, 11);
}

// A folder removed under the recording: what would be written there could never be found
// again, so the recording stops instead of writing on into nowhere.
TEST_F(ChartRecorderOnDisk, AFileWhoseFolderWasRemovedStopsTheRecording)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("stick")));
    const QString path = dir.filePath(QStringLiteral("stick/run.twi"));
    ChartFileRecorder recorder;
    ASSERT_TRUE(recorder.start(path, firstPoints(run, 10)));
    ASSERT_TRUE(recorder.flush());
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("stick"))).removeRecursively());
    recorder.append(run.points[10], run.inputs[10]);
    EXPECT_FALSE(recorder.flush());
    EXPECT_FALSE(recorder.errorString().isEmpty());
    EXPECT_FALSE(recorder.active());

    ChartFileRecorder nowhere;
    EXPECT_FALSE(nowhere.start(path, run)) << "a folder that is not there";
    EXPECT_FALSE(nowhere.errorString().isEmpty());
}

// The data lines of a chart file, after its five header lines.
QList<QByteArray> dataLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last line end
    return lines.mid(5);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// A recording past the part size goes on in the next part: every part a chart file of its own
// under the limit, beginning with the run's header, and the parts' data lines one after another
// are the whole run's, no point lost or doubled, times going on from part to part. Cut while
// points come and while the points held at the start are written, and at a part size that
// holds a single point.
TEST_F(ChartRecorderOnDisk, ARecordingPastThePartSizeGoesOnInTheNextPart)
{
    const QByteArray whole = ChartFileBytes(run, kComma);
    const qint64 headerBytes = ChartFileBytes(firstPoints(run, 0), kComma).size();
    const struct
    {
        const char* name;
        std::size_t held;
        qint64 partBytes;
        int flushEvery;
    } cases[] = {
        {"parts of 20 kB", 0, 20000, 50},
        {"held points cut too", 1500, 30000, 7},
        {"a point a part", 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString first = folder.filePath(QStringLiteral("прогон.twi"));
        const ChartFileData shortRun = c.partBytes == 1 ? firstPoints(run, 40) : run;
        ChartFileRecorder recorder(kComma);
        recorder.setPartBytes(c.partBytes);
        ASSERT_TRUE(recorder.start(first, firstPoints(shortRun, c.held)));
        for (std::size_t i = c.held; i < shortRun.points.size(); ++i) {
            ASSERT_TRUE(recorder.append(shortRun.points[i], shortRun.inputs[i]));
            if (c.flushEvery > 0 && int(i) % c.flushEvery == 0) {
                ASSERT_TRUE(recorder.flush());
            }
        }
        ASSERT_TRUE(recorder.finish()) << recorder.errorString().toStdString();

        const QStringList parts = recorder.paths();
        ASSERT_GT(parts.size(), 2);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), parts.size());
        QList<QByteArray> joined;
        double lastX = -1;
        for (int k = 0; k < parts.size(); ++k) {
            SCOPED_TRACE(k + 1);
            EXPECT_EQ(parts[k],
                      k == 0 ? first
                             : folder.filePath(QStringLiteral("прогон (%1).twi").arg(k + 1)));
            const QByteArray bytes = fileBytes(parts[k]);
            EXPECT_TRUE(bytes.startsWith(whole.left(headerBytes))) << "the run's header";
            if (c.partBytes > headerBytes) {
                EXPECT_LE(bytes.size(), c.partBytes);
            }
            QFile f(parts[k]);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const ChartFileContents back = ReadChartFile(f);
            ASSERT_FALSE(back.problem) << back.problem.line;
            ASSERT_FALSE(back.points.empty());
            EXPECT_EQ(back.points.front().x, lastX + 1) << "on from the previous part";
            lastX = back.points.back().x;
            joined += dataLines(bytes);
        }
        EXPECT_EQ(joined, dataLines(ChartFileBytes(shortRun, kComma)));
    }
}

// A part's name is taken by a file already there: that file stays, and the part takes the next
// free number.
TEST_F(ChartRecorderOnDisk, APartNeverReplacesAFileThatIsThere)
{
    for (const auto& [first, second] :
         {std::pair{QStringLiteral("run.twi"), QStringLiteral("run (2).twi")},
          {QStringLiteral("run.2024.twi"), QStringLiteral("run.2024 (2).twi")},
          {QStringLiteral("run"), QStringLiteral("run (2)")},
          {QStringLiteral(".twi"), QStringLiteral(".twi (2)")}})
        EXPECT_EQ(ChartFileRecorder::partPath(QStringLiteral("/a.b/") + first, 2),
                  QStringLiteral("/a.b/") + second);

    const QString path = dir.filePath(QStringLiteral("run.twi"));
    const QString taken = dir.filePath(QStringLiteral("run (2).twi"));
    {
        QFile f(taken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    ChartFileRecorder recorder(kPoint);
    recorder.setPartBytes(4000);
    ASSERT_TRUE(recorder.start(path, firstPoints(run, 200)));
    ASSERT_TRUE(recorder.finish());
    EXPECT_EQ(fileBytes(taken), "keep me");
    ASSERT_GE(recorder.paths().size(), 3);
    EXPECT_EQ(recorder.paths()[1], dir.filePath(QStringLiteral("run (3).twi")));
    EXPECT_EQ(recorder.paths()[2], dir.filePath(QStringLiteral("run (4).twi")));
}

} // namespace
} // namespace korvel
