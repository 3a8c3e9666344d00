#include "sim/Simulator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::sim {

namespace {

constexpr double IDLE_WAIT = 0.05; // s: the loop looks at the stream at least this often
constexpr double MIN_GAP = 0.005;  // s of silence that ends a request window
constexpr int FALL_BEHIND_FRAMES = 5;

} // namespace

Simulator::Simulator(SimOptions options)
    : options_(std::move(options)), model_(options_), shaper_(options_.seed), assembler_(MIN_GAP)
{
    shaper_.setFaults(options_.faults);
    for (std::size_t i = 0; i < options_.moreAddresses.size(); ++i) {
        SimOptions other = options_;
        other.address = options_.moreAddresses[i];
        other.serial[2] = (options_.serial[2] + int(i) + 1) % 256;
        moreModels_.emplace_back(other);
    }
    if (options_.baud > 0)
        byteTime_ = 10.0 / options_.baud; // start bit, 8 data bits, stop bit
    gapSec_ = std::max(MIN_GAP, 3 * byteTime_);
    assembler_ = RequestAssembler(gapSec_);
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(std::string* error)
{
    if (running_) {
        if (error)
            *error = "already running";
        return false;
    }
    if (!options_.imagePath.empty() && ::access(options_.imagePath.c_str(), F_OK) == 0) {
        std::lock_guard lock(modelMutex_);
        if (!model_.memory().load(options_.imagePath, error))
            return false;
    }
    if (!plugIn(error))
        return false;
    auto unwind = [this] {
        removeLink();
        pty_.close();
    };
    if (!options_.logPath.empty()) {
        std::lock_guard lock(logMutex_);
        if (!log_.open(options_.logPath, error)) {
            unwind();
            return false;
        }
    }
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = std::string("pipe: ") + std::strerror(errno);
        unwind();
        return false;
    }
    start_ = std::chrono::steady_clock::now();
    stopping_ = false;
    running_ = true;
    plugged_ = wantPlugged_ = true;
    nextPlugChange_ = options_.unplugAfterSec > 0 ? options_.unplugAfterSec : -1.0;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool Simulator::plugIn(std::string* error)
{
    if (!pty_.open(error))
        return false;
    if (!makeLink(error)) {
        pty_.close();
        return false;
    }
    return true;
}

bool Simulator::makeLink(std::string* error)
{
    if (options_.linkPath.empty())
        return true;
    struct stat st
    {
    };
    if (::lstat(options_.linkPath.c_str(), &st) == 0) {
        // Only a link left behind by an earlier run is ours to replace.
        if (!S_ISLNK(st.st_mode)) {
            if (error)
                *error = options_.linkPath + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(options_.linkPath.c_str());
    }
    if (::symlink(pty_.slavePath().c_str(), options_.linkPath.c_str()) != 0) {
        if (error)
            *error = "cannot create link " + options_.linkPath + ": " + std::strerror(errno);
        return false;
    }
    linkMade_ = true;
    return true;
}

void Simulator::removeLink()
{
    if (!linkMade_)
        return;
    // Leave a link alone that another run has taken over meanwhile.
    char target[512] = {};
    const ssize_t n = ::readlink(options_.linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && pty_.slavePath() == std::string(target, static_cast<std::size_t>(n)))
        ::unlink(options_.linkPath.c_str());
    linkMade_ = false;
}

void Simulator::stop()
{
    if (!running_)
        return;
    stopping_ = true;
    const char c = 'x';
    [[maybe_unused]] auto w = ::write(wake_[1], &c, 1);
    thread_.join();
    running_ = false;
    if (wasStreaming_) {
        logStreamEnd(now());
        wasStreaming_ = false;
    }
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;

    saveImage();
    {
        std::lock_guard lock(logMutex_);
        log_.close();
    }
    std::lock_guard lock(plugMutex_);
    removeLink();
    pty_.close();
    plugged_ = false;
    plugApplied_ = plugRequest_;
    plugDone_.notify_all();
}

bool Simulator::unplug()
{
    return setPlugged(false, nullptr);
}

bool Simulator::replug(std::string* error)
{
    return setPlugged(true, error);
}

bool Simulator::plugged() const
{
    std::lock_guard lock(plugMutex_);
    return plugged_;
}

bool Simulator::setPlugged(bool plugged, std::string* error)
{
    std::unique_lock lock(plugMutex_);
    if (!running_) {
        if (error)
            *error = "not running";
        return false;
    }
    wantPlugged_ = plugged;
    const long ticket = ++plugRequest_;
    const char c = 'p';
    [[maybe_unused]] auto w = ::write(wake_[1], &c, 1);
    plugDone_.wait(lock, [&] { return plugApplied_ >= ticket; });
    if (plugged_ != plugged && error)
        *error = plugError_;
    return plugged_ == plugged;
}

void Simulator::applyPlugRequest(double t)
{
    std::unique_lock lock(plugMutex_);
    if (nextPlugChange_ >= 0.0 && t >= nextPlugChange_)
        wantPlugged_ = !plugged_;
    if (wantPlugged_ != plugged_) {
        if (wantPlugged_) {
            plugError_.clear();
            plugged_ = plugIn(&plugError_);
            wantPlugged_ = plugged_; // a failed replug is tried again by the timer only
        } else {
            removeLink();
            pty_.close();
            plugged_ = false;
            // A request cut off by the pull is gone with it.
            assembler_ = RequestAssembler(gapSec_);
        }
        const double after = plugged_ ? options_.unplugAfterSec : options_.replugAfterSec;
        nextPlugChange_ = after > 0 ? t + after : -1.0;
    }
    if (plugApplied_ != plugRequest_) {
        plugApplied_ = plugRequest_;
        lock.unlock();
        plugDone_.notify_all();
    }
}

bool Simulator::saveImage(std::string* error)
{
    if (options_.imagePath.empty()) {
        if (error)
            *error = "no --image file";
        return false;
    }
    std::lock_guard lock(modelMutex_);
    return model_.memory().save(options_.imagePath, error);
}

std::string Simulator::slavePath() const
{
    std::lock_guard lock(plugMutex_);
    return pty_.slavePath();
}

double Simulator::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Simulator::run()
{
    std::vector<std::uint8_t> buffer(1024);
    while (!stopping_) {
        double t = now();
        double wait = IDLE_WAIT;
        if (auto d = assembler_.deadline())
            wait = std::min(wait, *d - t);
        if (wasStreaming_)
            wait = std::min(wait, nextFrame_ - t);
        if (nextPlugChange_ >= 0.0)
            wait = std::min(wait, nextPlugChange_ - t);
        wait = std::max(wait, 0.0);

        // While unplugged the master is -1, which ppoll leaves out.
        pollfd fds[2] = {{pty_.master(), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        timespec ts{static_cast<time_t>(wait), static_cast<long>(std::fmod(wait, 1.0) * 1e9)};
        const int ready = ::ppoll(fds, 2, &ts, nullptr);
        if (stopping_)
            break;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            char drain[16];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            std::vector<std::uint8_t> got;
            for (;;) {
                const ssize_t n = ::read(pty_.master(), buffer.data(), buffer.size());
                if (n <= 0)
                    break;
                got.insert(got.end(), buffer.begin(), buffer.begin() + n);
            }
            const double arrival = now();
            handleIncoming(assembler_.feed(got.data(), got.size(), arrival), arrival);
        } else if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
            // Cannot happen while our own slave descriptor is open; do not spin if it does.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        t = now();
        handleIncoming(assembler_.expire(t), t);
        pollStream(now());
        applyPlugRequest(now());
    }
}

void Simulator::log(const ReceivedBytes& r, double t)
{
    std::lock_guard lock(logMutex_);
    requests_.push_back(LoggedRequest{t, r.bytes, r.crcValid});
    log_.write(t, r.bytes, r.crcValid);
}

void Simulator::handleIncoming(std::vector<ReceivedBytes> received, double arrival)
{
    for (const ReceivedBytes& r : received) {
        log(r, arrival);
        if (!r.crcValid)
            continue; // a request with a bad CRC is never answered
        if (options_.strictBaud && pty_.lineSpeed() != options_.baud)
            continue; // sent at another speed: not a frame to the indicator
        std::vector<Piece> pieces;
        {
            std::lock_guard faultLock(faultMutex_);
            if (shaper_.faults().silent)
                continue; // a silent device hears nothing either
            std::vector<std::uint8_t> reply;
            bool committed = false;
            {
                std::lock_guard lock(modelMutex_);
                const int address = r.bytes[0] & ACCESS_ADDRESS_MASK;
                const bool ours = address == model_.address();
                if (!ours) {
                    // Another indicator on the line may be the one asked.
                    for (DeviceModel& other : moreModels_)
                        if (other.address() == address)
                            reply = other.handle(r.bytes.data(), arrival);
                }
                if (ours && shaper_.cuts(r.bytes.data()))
                    continue; // heard, but as if the line had gone dead
                if (ours && shaper_.refuses(r.bytes.data(), model_.selectedPage())) {
                    reply = {static_cast<std::uint8_t>(model_.address()),
                             static_cast<std::uint8_t>(r.bytes[3] ^ 0xFF)};
                } else if (ours && shaper_.loses(r.bytes.data(), model_.selectedPage())) {
                    reply = {static_cast<std::uint8_t>(model_.address()), r.bytes[3]};
                } else if (ours) {
                    const int writesDone = model_.writeDoneCount();
                    reply = model_.handle(r.bytes.data(), arrival);
                    committed = model_.writeDoneCount() != writesDone;
                    if (!reply.empty() && shaper_.spoilsRead(r.bytes.data()))
                        reply.back() ^= 0xFF;
                }
            }
            // The end of a memory write is when the indicator keeps what it was sent.
            if (committed && !options_.imagePath.empty())
                saveImage();
            pieces = shaper_.shapeReply(std::move(reply));
        }
        // The request itself took four byte times on a real line.
        send(pieces, arrival + RequestAssembler::REQUEST_SIZE * byteTime_);
    }
}

void Simulator::send(const std::vector<Piece>& pieces, double earliest)
{
    if (pty_.master() < 0)
        return; // unplugged: nothing reaches the other end
    lineFree_ = std::max(lineFree_, earliest);
    for (const Piece& p : pieces) {
        if (p.pauseBeforeMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(p.pauseBeforeMs));
            lineFree_ = std::max(lineFree_, now());
        }
        sendBytes(p.bytes.data(), p.bytes.size());
    }
}

void Simulator::sendBytes(const std::uint8_t* data, std::size_t count)
{
    auto writeNow = [this](const std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            const ssize_t w = ::write(pty_.master(), p, n);
            if (w <= 0)
                return; // nobody reads and the queue is full: the bytes are lost
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    };
    if (count == 0)
        return;
    if (byteTime_ <= 0.0) {
        writeNow(data, count);
        return;
    }
    // Each byte reaches the other end when its stop bit is through.
    const double begin = std::max(lineFree_, now());
    std::size_t sent = 0;
    while (sent < count) {
        const double t = now();
        std::size_t due = sent;
        while (due < count && begin + static_cast<double>(due + 1) * byteTime_ <= t)
            ++due;
        if (due > sent) {
            writeNow(data + sent, due - sent);
            sent = due;
            continue;
        }
        const double next = begin + static_cast<double>(sent + 1) * byteTime_;
        std::this_thread::sleep_until(start_ + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   std::chrono::duration<double>(next)));
    }
    lineFree_ = begin + static_cast<double>(count) * byteTime_;
}

void Simulator::pollStream(double t)
{
    std::vector<std::uint8_t> frame;
    {
        std::lock_guard lock(modelMutex_);
        if (!model_.streaming()) {
            if (wasStreaming_)
                logStreamEnd(t);
            wasStreaming_ = false;
            return;
        }
        const double period = model_.periodsPerFrame() * options_.periodMs / 1000.0;
        if (!wasStreaming_) {
            wasStreaming_ = true;
            streamFramesSent_ = 0;
            nextFrame_ = t + period;
            return;
        }
        if (t < nextFrame_)
            return;
        // Deadlines are absolute so the rate does not drift; after a long stall (a slow
        // reply, a paused machine) the count starts afresh instead of sending a burst.
        if (t - nextFrame_ > FALL_BEHIND_FRAMES * period)
            nextFrame_ = t;
        model_.advanceTo(nextFrame_);
        frame = model_.nextStreamFrame();
        nextFrame_ += period;
    }
    std::vector<Piece> pieces;
    {
        std::lock_guard lock(faultMutex_);
        pieces = shaper_.shapeFrame(std::move(frame));
    }
    if (!pieces.empty()) {
        ++framesSent_;
        ++streamFramesSent_;
    }
    send(pieces, 0.0);
}

void Simulator::logStreamEnd(double t)
{
    std::lock_guard lock(logMutex_);
    log_.note(t, "stream ended: " + std::to_string(streamFramesSent_.load()) + " frames sent");
}

void Simulator::setFaults(const SimFaults& faults)
{
    std::lock_guard lock(faultMutex_);
    shaper_.setFaults(faults);
}

SimFaults Simulator::faults() const
{
    std::lock_guard lock(faultMutex_);
    return shaper_.faults();
}

std::vector<Simulator::LoggedRequest> Simulator::requests() const
{
    std::lock_guard lock(logMutex_);
    return requests_;
}

void Simulator::clearRequests()
{
    std::lock_guard lock(logMutex_);
    requests_.clear();
}

std::uint8_t Simulator::outputs() const
{
    return peek([](const DeviceModel& m) { return m.outputs(); });
}
bool Simulator::outputControl() const
{
    return peek([](const DeviceModel& m) { return m.outputControl(); });
}
bool Simulator::keyboardLocked() const
{
    return peek([](const DeviceModel& m) { return m.keyboardLocked(); });
}
int Simulator::keyPresses() const
{
    return peek([](const DeviceModel& m) { return m.keyPresses(); });
}
bool Simulator::streaming() const
{
    return peek([](const DeviceModel& m) { return m.streaming(); });
}
std::uint8_t Simulator::inputs() const
{
    return peek([](const DeviceModel& m) { return m.inputs(); });
}
std::array<std::uint8_t, DISPLAY_COUNT> Simulator::display() const
{
    return peek([](const DeviceModel& m) { return m.display(); });
}

std::array<std::uint8_t, MEM_PAGE_SIZE> Simulator::memoryPage(int page) const
{
    std::array<std::uint8_t, MEM_PAGE_SIZE> out{};
    std::lock_guard lock(modelMutex_);
    const std::uint8_t* p = model_.memory().page(page);
    std::copy(p, p + MEM_PAGE_SIZE, out.begin());
    return out;
}

int Simulator::writeDoneCount() const
{
    return peek([](const DeviceModel& m) { return m.writeDoneCount(); });
}

void Simulator::setDisplay(std::optional<std::array<std::uint8_t, DISPLAY_COUNT>> display)
{
    std::lock_guard lock(modelMutex_);
    model_.setDisplay(display);
}

void Simulator::setModel(int model)
{
    std::lock_guard lock(modelMutex_);
    model_.setModel(model);
}

void Simulator::setSerial(const std::array<int, 3>& serial)
{
    std::lock_guard lock(modelMutex_);
    model_.setSerial(serial);
}

void Simulator::setInputs(std::optional<std::uint8_t> inputs)
{
    std::lock_guard lock(modelMutex_);
    model_.holdInputs(inputs);
}

void Simulator::holdLoad(std::optional<double> counts)
{
    std::lock_guard lock(modelMutex_);
    model_.holdLoad(counts);
}

void Simulator::setMemoryByte(int page, int offset, std::uint8_t value)
{
    std::lock_guard lock(modelMutex_);
    model_.memory().set(page, offset, value);
}

} // namespace korvel::sim
