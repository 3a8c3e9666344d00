#include "chart/StreamReception.h"

#include "link/DeviceMap.h"
#include "link/LinkSettings.h"
#include "link/SerialPort.h"

#include <QSocketNotifier>

namespace korvel {

namespace {

// Without a descriptor to watch, the port is looked at this often (a 7-byte frame takes
// 7 ms at 9600 baud).
constexpr int kPollMs = 1;
// A descriptor that reports readiness without bytes has hung up (the device went away);
// it is then looked at on a slower timer instead of waking the loop without end.
constexpr int kEmptyWakeUpsBeforeFallback = 3;
constexpr int kHungUpPollMs = 20;

} // namespace

StreamReception::StreamReception(SerialPort& port, const LinkSettings& settings, QObject* parent)
    : QObject(parent), port_(port), settings_(settings), assembler_(STREAM_DATA_COUNT)
{
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, [this] { readAvailable(); });
}

StreamReception::~StreamReception()
{
    stop();
}

void StreamReception::start()
{
    stop();
    assembler_.reset();
    skippedAtStart_ = assembler_.skippedBytes();
    frames_ = 0;
    emptyWakeUps_ = 0;
    active_ = true;
    const int fd = port_.readyDescriptor();
    if (fd >= 0) {
        notifier_ = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &StreamReception::onReady);
    } else {
        poll_.start(kPollMs);
    }
}

void StreamReception::stop()
{
    active_ = false;
    poll_.stop();
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
}

void StreamReception::onReady()
{
    if (readAvailable() > 0) {
        emptyWakeUps_ = 0;
        return;
    }
    if (++emptyWakeUps_ >= kEmptyWakeUpsBeforeFallback && notifier_) {
        notifier_->setEnabled(false);
        poll_.start(kHungUpPollMs);
    }
}

std::size_t StreamReception::readAvailable()
{
    std::size_t total = 0;
    while (active_) {
        const std::size_t got = port_.readAvailable(buffer_.data(), buffer_.size());
        total += got;
        if (got == 0)
            break;
        frames_ += assembler_.feed(settings_.AdrPribor, buffer_.data(), got,
                                   [this](const std::uint8_t* frame) {
                                       if (onSample && active_)
                                           onSample(frame + 2);
                                   });
        if (got < buffer_.size())
            break;
    }
    return total;
}

} // namespace korvel
