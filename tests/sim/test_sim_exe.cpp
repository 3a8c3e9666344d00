// The korvel-sim program itself: first line, link, help, the silence signal.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "RawClient.h"
#include "link/DeviceMap.h"

using namespace korvel;
using korvel::sim::test::RawClient;

namespace {

const std::string SIM = KORVEL_BIN_DIR "/korvel-sim";

// Runs korvel-sim with its stdout on a pipe.
class SimProcess
{
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(SIM.c_str()));
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(SIM.c_str(), argv.data());
            _exit(127);
        }
        ::close(out[1]);
        out_ = ::fdopen(out[0], "r");
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            wait();
        }
        if (out_)
            std::fclose(out_);
    }

    std::string line()
    {
        char buf[512] = {};
        if (!out_ || !std::fgets(buf, sizeof buf, out_))
            return {};
        std::string s = buf;
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    std::string rest()
    {
        std::string s;
        char buf[512];
        while (out_ && std::fgets(buf, sizeof buf, out_))
            s += buf;
        return s;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    int wait()
    {
        int status = 0;
        if (pid_ > 0)
            ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    std::FILE* out_ = nullptr;
};

TEST(SimProgram, PrintsThePtyPathFirstAndKeepsTheLinkWhileRunning)
{
    const std::string link = ::testing::TempDir() + "/korvel_sim_link";
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink("/nonexistent/stale", link.c_str()), 0); // left by an earlier run

    SimProcess sim({"--link", link, "--model", "21"});
    const std::string path = sim.line();
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    RawClient client(link);
    ASSERT_TRUE(client.ok());
    const auto ident = client.transact(0x81, REG_IDENT, 3, 7);
    ASSERT_EQ(ident.size(), 7u);
    EXPECT_EQ(ident[3], 21);

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(), 0);
    struct stat lst
    {
    };
    EXPECT_NE(::lstat(link.c_str(), &lst), 0) << "link removed at exit";
}

TEST(SimProgram, SigusrOneTogglesSilence)
{
    SimProcess sim({});
    const std::string path = sim.line();
    RawClient client(path);
    ASSERT_TRUE(client.ok()) << "'" << path << "': " << std::strerror(errno);
    EXPECT_EQ(client.transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2).size(), 2u);
    // The toggle is asynchronous: try (for a bounded time) until the answer changes.
    auto waitFor = [&client](bool wantAnswer) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            const bool answered =
                client.transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2, 100).size() == 2;
            if (answered == wantAnswer)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    sim.signal(SIGUSR1);
    EXPECT_TRUE(waitFor(false)) << "silent after the first SIGUSR1";
    sim.signal(SIGUSR1);
    EXPECT_TRUE(waitFor(true)) << "answering after the second";
}

TEST(SimProgram, SigusrTwoSavesTheImage)
{
    const std::string image = ::testing::TempDir() + "/korvel_sim_exe_image.bin";
    std::remove(image.c_str());
    SimProcess sim({"--image", image});
    RawClient client(sim.line());
    ASSERT_TRUE(client.ok());
    client.transact(0x01, REG_PAGE, 20, 2);
    client.transact(0x41, 7, 0x5C, 2);
    sim.signal(SIGUSR2);
    std::string bytes;
    for (int i = 0; i < 500 && bytes.size() <= 20 * 256 + 7; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::FILE* f = std::fopen(image.c_str(), "rb");
        if (!f)
            continue;
        char buf[32768];
        bytes.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
    }
    ASSERT_EQ(bytes.size(), 32768u) << "saved on the signal, while running";
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[20 * 256 + 7]), 0x5C);
    std::remove(image.c_str());
}

TEST(SimProgram, HelpAndBadOptions)
{
    {
        SimProcess sim({"--help"});
        const std::string text = sim.rest();
        EXPECT_EQ(sim.wait(), 0);
        EXPECT_NE(text.find("Usage: korvel-sim"), std::string::npos);
        EXPECT_NE(text.find("--corrupt-every"), std::string::npos);
    }
    {
        SimProcess sim({"--address", "99"});
        EXPECT_EQ(sim.line(), "");
        EXPECT_EQ(sim.wait(), 2);
    }
}

} // namespace
