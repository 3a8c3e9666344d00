#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <deque>
#include <vector>

#include "link/DeviceMap.h"
#include "sim/DeviceModel.h"
#include "sim/FaultShaper.h"
#include "sim/Pty.h"
#include "sim/RequestAssembler.h"
#include "sim/RequestLog.h"
#include "sim/SimOptions.h"

namespace korvel::sim {

// The simulated indicator on a pseudo-terminal: a thread that reads requests from the pty
// master, lets the device model answer them, sends the stream and applies the faults.
// Every public member is safe to call from any thread.
class Simulator
{
public:
    struct LoggedRequest
    {
        double tSec = 0.0; // seconds since start()
        std::vector<std::uint8_t> bytes;
        bool crcValid = false;
    };

    explicit Simulator(SimOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Loads the image, creates the pty (and the link, the log) and starts the thread.
    bool start(std::string* error = nullptr);
    // Stops the thread, saves the image, removes the link. Called by the destructor too.
    void stop();
    // Saves the memory to the image file now; false (with why) without one or on failure.
    bool saveImage(std::string* error = nullptr);
    // The pty slave in use; empty while unplugged, another one after each replug.
    std::string slavePath() const;

    // The adapter pulled out: the pty closes (its client sees a hang-up) and the link goes.
    // Replugged: a new pty, the link made again to point at it. Both return once done; the
    // device keeps its state meanwhile. False (with why) when the new pty or link fails.
    bool unplug();
    bool replug(std::string* error = nullptr);
    bool plugged() const;

    void setFaults(const SimFaults& faults); // takes effect with the next request or frame
    SimFaults faults() const;

    std::vector<LoggedRequest> requests() const;
    void clearRequests();

    // Looks into the device.
    std::uint8_t outputs() const;
    bool outputControl() const;
    bool keyboardLocked() const;
    std::array<std::uint8_t, MEM_PAGE_SIZE> memoryPage(int page) const;
    int writeDoneCount() const;
    int keyPresses() const;
    bool streaming() const;
    std::array<std::uint8_t, DISPLAY_COUNT> display() const;
    std::uint8_t inputs() const;
    long framesSent() const { return framesSent_.load(); }
    // Frames sent since the last stream began (the current one, or the last that ended).
    long streamFramesSent() const { return streamFramesSent_.load(); }

    // Changes the device at run time.
    void setDisplay(std::optional<std::array<std::uint8_t, DISPLAY_COUNT>> display);
    void setModel(int model);
    void setSerial(const std::array<int, 3>& serial);
    void setInputs(std::optional<std::uint8_t> inputs); // nullopt: change on their own again
    void holdLoad(std::optional<double> counts);        // nullopt: random loads again
    void setMemoryByte(int page, int offset, std::uint8_t value);

private:
    template <typename F> auto peek(F f) const
    {
        std::lock_guard lock(modelMutex_);
        return f(model_);
    }
    void run();
    double now() const;
    void handleIncoming(std::vector<ReceivedBytes> received, double arrival);
    void log(const ReceivedBytes& r, double t);
    void send(const std::vector<Piece>& pieces, double earliest);
    void sendBytes(const std::uint8_t* data, std::size_t count);
    void pollStream(double t);
    bool plugIn(std::string* error);
    bool makeLink(std::string* error);
    void removeLink();
    bool setPlugged(bool plugged, std::string* error);
    void applyPlugRequest(double t);

    SimOptions options_;
    Pty pty_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int wake_[2] = {-1, -1};
    std::chrono::steady_clock::time_point start_;
    bool running_ = false;
    bool linkMade_ = false;

    // The plug: asked for by any thread, carried out by the loop (which owns the pty).
    mutable std::mutex plugMutex_;
    std::condition_variable plugDone_;
    bool wantPlugged_ = true;
    bool plugged_ = true;
    long plugRequest_ = 0, plugApplied_ = 0;
    std::string plugError_;
    double nextPlugChange_ = -1.0; // loop thread: when the timed unplug/replug is due

    mutable std::mutex modelMutex_;
    DeviceModel model_;
    // The other indicators on the line. A deque: a model holds pointers into itself, so one
    // must never be moved once it exists, as a growing vector would.
    std::deque<DeviceModel> moreModels_;

    mutable std::mutex faultMutex_;
    FaultShaper shaper_;

    mutable std::mutex logMutex_;
    std::vector<LoggedRequest> requests_;
    RequestLog log_;

    // Loop thread only.
    double gapSec_ = 0.0;
    RequestAssembler assembler_;
    double byteTime_ = 0.0; // s per byte on the line, 0 when not paced
    double lineFree_ = 0.0; // when the line has sent everything queued so far
    bool wasStreaming_ = false;
    double nextFrame_ = 0.0;
    std::atomic<long> framesSent_{0};
    std::atomic<long> streamFramesSent_{0};
    void logStreamEnd(double t);
};

} // namespace korvel::sim
