#pragma once
#include "chart/core/ChartSample.h"
#include "link/StreamFrameAssembler.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QSocketNotifier;

namespace korvel {

struct LinkSettings;
class SerialPort;

// Receives the indicator's sample stream from the main event loop: when the port has bytes,
// everything that has come is read at once (never waiting) and cut into frames; while the
// stream flows, the port is read every few milliseconds instead of on every byte. No loop of its
// own, so a popup menu, a message popup or a file dialog (each a nested event loop) never stops
// reception, and the port's small receive buffer cannot overflow while one is open.
//
// Each valid frame is decoded once (ChartSampleDecoder) and the sample handed to every sink in
// the order they were added: a sample only ever travels downward, from here to the chart's
// acquisition and the recording. QtCore only: no widget is involved.
class StreamReception : public QObject
{
    Q_OBJECT
public:
    StreamReception(SerialPort& port, const LinkSettings& settings, QObject* parent = nullptr);
    ~StreamReception() override;

    // Gets the decoded sample of every valid frame, in order (kept for the reception's life).
    void addSink(ChartSampleSink& sink) { sinks_.push_back(&sink); }
    // The port's device went away (an adapter pulled out): reception has stopped itself.
    std::function<void()> onDeviceLost;

    // Starts watching the port (its readiness descriptor, or a short timer when it has none),
    // with an empty frame window, for a run decoded with this scaling and setup.
    void start(const WeightScaling& scaling, const ChartRunSetup& setup);
    // Stops watching; bytes not yet read stay in the port.
    void stop();
    bool active() const { return active_; }

    // Reads and hands out whatever has already arrived; the number of bytes read. Also called
    // by the watchers.
    std::size_t readAvailable();

    // Valid frames handed out since start().
    long frames() const { return frames_; }
    // Bytes dropped while looking for a frame since start().
    std::size_t skippedBytes() const { return assembler_.skippedBytes() - skippedAtStart_; }

private:
    void onReady();
    void onBatch();
    void deliver(const std::uint8_t* data);

    SerialPort& port_;
    const LinkSettings& settings_;
    StreamFrameAssembler assembler_;
    ChartSampleDecoder decoder_;
    std::vector<ChartSampleSink*> sinks_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer poll_;
    QTimer batch_;
    bool active_ = false;
    long frames_ = 0;
    std::size_t skippedAtStart_ = 0;
    std::array<std::uint8_t, 4096> buffer_{};
};

} // namespace korvel
