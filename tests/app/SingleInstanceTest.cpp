// The per-executable single-instance rule, in process: the key, the hand-over, a name left
// behind by a crashed copy, and a live copy's name never being taken over.
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace korvel {
namespace {

class SingleInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        exe = dir.filePath(QStringLiteral("korvel"));
        QFile f(exe);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        key = SingleInstance::keyFor(exe);
    }

    QTemporaryDir dir;
    QString exe;
    QString key;
};

TEST_F(SingleInstanceTest, KeyBelongsToTheExecutableFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(exe, dir.filePath(QStringLiteral("link-to-korvel"))));
    // The same file however it is reached...
    EXPECT_EQ(SingleInstance::keyFor(dir.filePath(QStringLiteral("sub/../korvel"))), key);
    EXPECT_EQ(SingleInstance::keyFor(dir.filePath(QStringLiteral("link-to-korvel"))), key);
    // ...and a copy in another folder is another program.
    ASSERT_TRUE(QFile::copy(exe, dir.filePath(QStringLiteral("sub/korvel"))));
    EXPECT_NE(SingleInstance::keyFor(dir.filePath(QStringLiteral("sub/korvel"))), key);
}

TEST_F(SingleInstanceTest, KeyIgnoresLetterCaseWhereFileNamesDo)
{
    // "KORVEL" does not exist here, so only its spelling can make it the same program.
    const QString upper = dir.filePath(QStringLiteral("KORVEL"));
    EXPECT_EQ(SingleInstance::keyFor(upper, Qt::CaseInsensitive),
              SingleInstance::keyFor(exe, Qt::CaseInsensitive));
    EXPECT_NE(SingleInstance::keyFor(upper, Qt::CaseSensitive),
              SingleInstance::keyFor(exe, Qt::CaseSensitive));
}

TEST_F(SingleInstanceTest, SecondStartHandsOverToTheFirst)
{
    SingleInstance first(key);
    ASSERT_TRUE(first.listen());
    QSignalSpy restore(&first, &SingleInstance::restoreRequested);

    SingleInstance second(key);
    EXPECT_TRUE(second.handOverToRunningCopy(200));
    EXPECT_TRUE(restore.count() == 1 || restore.wait(5000));
    EXPECT_EQ(restore.count(), 1);
}

TEST_F(SingleInstanceTest, NobodyToHandOverToWhenNoCopyRuns)
{
    SingleInstance only(key);
    EXPECT_FALSE(only.handOverToRunningCopy(200));
}

// A copy that crashed leaves its socket file behind; nobody answers there, so the next copy
// takes the name.
TEST_F(SingleInstanceTest, NameLeftByACrashedCopyIsTakenOver)
{
    const QByteArray path = QDir(QDir::tempPath()).filePath(key).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(std::size_t(path.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), std::size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd); // the file stays, with no listener behind it

    SingleInstance next(key);
    EXPECT_FALSE(next.handOverToRunningCopy(200));
    EXPECT_TRUE(next.listen());
    QSignalSpy restore(&next, &SingleInstance::restoreRequested);
    SingleInstance later(key);
    EXPECT_TRUE(later.handOverToRunningCopy(200));
    EXPECT_TRUE(restore.count() == 1 || restore.wait(5000));
}

// Two starts at nearly the same moment: both find nobody, both try to listen. The later one
// must not take the name from the copy that got it (which would leave two copies running,
// the first one unreachable); it hands over instead.
TEST_F(SingleInstanceTest, LiveCopyKeepsItsName)
{
    SingleInstance first(key);
    ASSERT_TRUE(first.listen());
    QSignalSpy restore(&first, &SingleInstance::restoreRequested);

    SingleInstance racer(key);
    EXPECT_FALSE(racer.listen());
    EXPECT_TRUE(racer.handOverToRunningCopy(200));
    EXPECT_TRUE(restore.count() == 1 || restore.wait(5000));

    SingleInstance third(key);
    EXPECT_TRUE(third.handOverToRunningCopy(200));
    EXPECT_TRUE(restore.count() == 2 || restore.wait(5000));
    EXPECT_EQ(restore.count(), 2);
}

} // namespace
} // namespace korvel
