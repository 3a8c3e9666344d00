#include "chart/core/StreamReception.h"

#include "link/DeviceMap.h"
#include "link/LinkSettings.h"
#include "link/SerialPort.h"

#include <QSocketNotifier>

namespace korvel {

namespace {

// Without a descriptor to watch, the port is looked at this often (a 7-byte frame takes
// 7 ms at 9600 baud).
constexpr int kPollMs = 1;
// Once bytes come, they are collected for this long before the next read instead of waking
// the loop for every byte (a 9600-baud line delivers about one byte a millisecond). Far
// below what the port's receive buffer holds at any rate, and below a repaint interval.
constexpr int kBatchMs = 10;

} // namespace

StreamReception::StreamReception(SerialPort& port, const LinkSettings& settings, QObject* parent)
    : QObject(parent), port_(port), settings_(settings), assembler_(STREAM_DATA_COUNT)
{
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, [this] { readAvailable(); });
    connect(&batch_, &QTimer::timeout, this, &StreamReception::onBatch);
}

StreamReception::~StreamReception()
{
    stop();
}

void StreamReception::start(const WeightScaling& scaling, const ChartRunSetup& setup)
{
    stop();
    decoder_.beginRun(scaling, setup);
    assembler_.reset();
    skippedAtStart_ = assembler_.skippedBytes();
    frames_ = 0;
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
    batch_.stop();
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
}

void StreamReception::onReady()
{
    readAvailable();
    if (!active_)
        return; // the device went away and reception ended with it
    // More is on its way: collect it on the batch timer until the line falls quiet. (A
    // descriptor that hung up also ends here, and is then looked at at the batch rate
    // instead of waking the loop without end.)
    notifier_->setEnabled(false);
    batch_.start(kBatchMs);
}

void StreamReception::onBatch()
{
    if (readAvailable() > 0 || !notifier_)
        return;
    batch_.stop();
    notifier_->setEnabled(true);
}

std::size_t StreamReception::readAvailable()
{
    std::size_t total = 0;
    while (active_) {
        const std::size_t got = port_.readAvailable(buffer_.data(), buffer_.size());
        total += got;
        if (got == 0 && port_.deviceLost()) {
            // Its descriptor is closed already: stop watching it before the loop looks again.
            stop();
            if (onDeviceLost)
                onDeviceLost();
            break;
        }
        if (got == 0)
            break;
        frames_ += assembler_.feed(settings_.AdrPribor, buffer_.data(), got,
                                   [this](const std::uint8_t* frame) {
                                       if (active_)
                                           deliver(frame + 2);
                                   });
        if (got < buffer_.size())
            break;
    }
    return total;
}

void StreamReception::deliver(const std::uint8_t* data)
{
    const ChartSample sample = decoder_.decode(data);
    for (ChartSampleSink* sink : sinks_)
        sink->addSample(sample);
}

} // namespace korvel
