#pragma once
// The real korvel on the X server the test runs on (xvfb-run), against an in-process
// korvel-sim. Every desktop test starts korvel through this rig: a copy of the program in a
// temporary folder (its settings file, single-instance key and file dialogs are the test's),
// the port and any other settings written with korvel-ini, the program polling before the
// test goes on. The test looks at korvel only from outside: the requests the simulator
// received, the window's pixels and X properties, /proc; it drives it with xdotool.
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace korvel::test {

// A key written into korvel's settings file.
struct RigSetting
{
    QString section, key, value;
};

// How the rig sets korvel and the simulator up.
struct RigOptions
{
    sim::SimOptions sim{};
    // Written into the settings file besides the port.
    std::vector<RigSetting> settings{};
    // The port through a link that outlives the simulated adapter being pulled and replugged;
    // otherwise korvel is given the pty itself.
    bool stableLink = false;
    // A display that never changes by itself, so two pictures of the window compare equal;
    // otherwise the simulator's live weighing display.
    bool steadyDisplay = false;
    // False when the indicator is not where the settings say: korvel's popup about the silent
    // indicator is closed with its OK before polling is waited for.
    bool answersAtStart = true;
    // The device's own state, set before korvel first sees it.
    std::function<void(sim::Simulator&)> prepare{};
};

// A click as xdotool gives it.
struct RigClick
{
    int button = 1;
    int repeat = 1;    // 2: a double click
    bool ctrl = false; // Ctrl held through the click
    bool away = false; // the pointer off the window afterwards, so no hover look stays
};

class KorvelRig
{
public:
    using Bytes = std::vector<std::uint8_t>;
    // Register (or, where memory writes are asked for, memory offset + kMemoryWrite), value.
    using Write = std::pair<int, int>;
    using Writes = std::vector<Write>;
    static constexpr int kMemoryWrite = 1000;

    static constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
    static constexpr QSize kWindow{555, 398};
    // Where the main window places itself: centred across, a third down.
    static constexpr QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                                    (kScreen.height() - kWindow.height()) / 3};
    static constexpr QPoint kCloseButton{492 + 23, 10}; // in the window
    // OK of the popup "Ошибка связи с прибором !" over the face, in the window.
    static constexpr QPoint kSilentPopupOk{276, 166};

    using Setting = RigSetting;
    using Options = RigOptions;
    using Click = RigClick;
    // The digital inputs chart mode draws beside the weight: bit n for input n + 1.
    static Setting chartInputs(int mask)
    {
        return {QStringLiteral("Графики цифровых входов"),
                QStringLiteral("Маска вывода цифровых входов на графики"), QString::number(mask)};
    }

    explicit KorvelRig(Options options = {});
    ~KorvelRig(); // SIGTERM (the window closes normally), a kill if that hangs
    KorvelRig(const KorvelRig&) = delete;
    KorvelRig& operator=(const KorvelRig&) = delete;

    bool started() const { return started_; }
    sim::Simulator& sim() { return *sim_; }
    QProcess& process() { return korvel_; }
    QString copyPath() const;
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    // Starts one more copy of the same program, as a user's second start would.
    void startAnother(QProcess& process) const;

    // Polls `pred` every `stepMs` until it holds; false once `boundMs` ran out. The bound only
    // keeps a broken case from hanging.
    static bool waitUntil(const std::function<bool()>& pred, int boundMs = 8000, int stepMs = 20);

    // The simulator's request log. A mark is a place in it; the ...Since calls look from there.
    std::size_t mark() const;
    std::vector<Bytes> requestsSince(std::size_t from) const;
    // Well-formed requests (four bytes, a valid CRC) for which `is` holds.
    int countSince(std::size_t from, const std::function<bool(const Bytes&)>& is) const;
    int countSince(std::size_t from, const Bytes& request) const;
    bool waitForRequest(std::size_t from, const Bytes& request, int n = 1,
                        int boundMs = 15000) const;
    int displayReadsSince(std::size_t from) const; // at any address
    Writes writesSince(std::size_t from, bool withMemory = false) const;
    // Waits (bounded) for `count` register writes since `from`; the writes there are then.
    Writes waitForWrites(std::size_t from, std::size_t count, int boundMs = 8000) const;
    // A request as korvel frames it: first byte, register, value, CRC.
    static Bytes request(std::uint8_t first, std::uint8_t reg, std::uint8_t value);

    // xdotool, failing the case when it fails.
    static void xdotool(const QStringList& args);
    static void click(QPoint inWindow, Click how = {});
    static void clickAt(QPoint onScreen, Click how = {});
    static QPoint keyCentre(const char* caption); // a key of the face, in the window
    static void clickKey(const char* caption, Click how = {});
    // The n-th entry of the context menu opened at `inWindow` (separators do not count).
    static void chooseMenuEntry(QPoint inWindow, int n);
    // The hidden key sequence that shows the service commands.
    static void typeServiceSequence();
    static QString focusedWindowName();
    // Types a path into the file dialog titled `title` and accepts it.
    static void answerFileDialog(const QString& title, const QString& path);
    // The main window found by its title.
    static QSize windowSize();
    static void resizeWindow(QSize size);
    // With KORVEL_SCREENSHOTS set to a folder, the screen is kept there as `name`.png.
    static void screenshot(const char* name);

    // Visible top-level windows of the process (the main window; popups would add to it).
    QStringList visibleWindowIds() const;
    int visibleWindows() const { return int(visibleWindowIds().size()); }

    // The main window as the X server shows it.
    static QImage grabWindow();
    // Waits until the window looks like `expected` (or, with `differ`, unlike it) and stays so
    // for a moment; the picture it settled on.
    static QImage waitForPicture(const QImage& expected, bool differ, int boundMs);

    // Descriptors the process holds: all of them, and those on terminals (the port).
    int openDescriptors() const { return descriptors(false); }
    int terminalDescriptors() const { return descriptors(true); }
    // Resident memory of korvel's own making (heap and stacks, no mapped files or shared
    // segments): what a leak grows. Library pages touched for the first time late in a run and
    // the X server's shared images move the whole resident figure by a megabyte or more.
    long anonymousKb() const;

private:
    int descriptors(bool terminalsOnly) const;

    QTemporaryDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
    QProcess korvel_;
    bool started_ = false;
};

// A suite whose cases share one running korvel and run in order. Each suite names itself, so
// it has a rig of its own, and starts it in its SetUpTestSuite with startRig.
template <class Suite> class SharedKorvel : public ::testing::Test
{
protected:
    static inline std::unique_ptr<KorvelRig> rig;

    static void startRig(KorvelRig::Options options = {})
    {
        rig = std::make_unique<KorvelRig>(std::move(options));
        ASSERT_TRUE(rig->started());
    }
    static void TearDownTestSuite() { rig.reset(); }
};

} // namespace korvel::test
