#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "link/DeviceMap.h"
#include "sim/DigitalIo.h"
#include "sim/FrontPanel.h"
#include "sim/MemoryImage.h"
#include "sim/SimOptions.h"
#include "sim/WeighingProcess.h"

namespace korvel::sim {

// The indicator behind the wire: registers, commands and memory, answering well-formed
// requests. Knows nothing of ptys or timing faults; time is handed in, so tests can step it.
class DeviceModel
{
public:
    explicit DeviceModel(const SimOptions& options);

    // Moves the weighing process and the inputs to time t (seconds since start).
    void advanceTo(double t);

    // The reply to a 4-byte request whose CRC is right: an acknowledgement for a write, the
    // read reply for a read, nothing when the request is for another address.
    std::vector<std::uint8_t> handle(const std::uint8_t request[4], double t);

    // A stream frame of the current weight and inputs (or, with the counting pattern, of the
    // next frame number).
    std::vector<std::uint8_t> streamFrame() const;
    // The frame to send now; counts it as sent.
    std::vector<std::uint8_t> nextStreamFrame();
    // Frames sent since the last start command.
    long streamFrameNumber() const { return streamFrames_; }
    bool streaming() const { return streaming_; }
    void setStreaming(bool on) { streaming_ = on; }
    // ADC periods between two stream frames: filter 1 averages 2^filter1 periods.
    int periodsPerFrame() const;

    int address() const { return address_; }
    std::uint8_t readRegister(int reg) const;
    std::array<std::uint8_t, DISPLAY_COUNT> display() const;
    std::uint8_t statusByte() const;
    std::uint8_t inputs() const { return io_.inputs(); }
    std::uint8_t outputs() const;
    bool outputControl() const { return io_.pcControl(); }
    bool keyboardLocked() const { return keyboardLocked_; }
    int selectedPage() const { return page_; }
    int decimals() const;
    bool doser() const;
    int keyPresses() const { return panel_->keyPresses(); }
    int writeDoneCount() const { return writeDone_; }

    void setModel(int model) { model_ = model; }
    void setSerial(const std::array<int, 3>& serial) { serial_ = serial; }
    // Shows these 16 bytes in REG_DISPLAY instead of the rendered ones (nullopt: render again).
    void setDisplay(std::optional<std::array<std::uint8_t, DISPLAY_COUNT>> display);
    void holdInputs(std::optional<std::uint8_t> inputs) { io_.holdInputs(inputs); }
    void holdLoad(std::optional<double> counts) { process_.holdLoad(counts); }

    MemoryImage& memory() { return memory_; }
    const MemoryImage& memory() const { return memory_; }
    WeighingProcess& process() { return process_; }
    const FrontPanel& panel() const { return *panel_; }

private:
    void writeRegister(int reg, std::uint8_t value);
    void runCommand(std::uint8_t command);
    void pressKeys(std::uint8_t mask, bool groupB);
    void refreshParams();
    static int framePeriods(int filter1);
    std::vector<MenuParameter> menuParameters();

    int address_;
    int model_;
    std::array<int, 3> serial_;
    MemoryImage memory_;
    WeighingProcess process_;
    DigitalIo io_;
    std::unique_ptr<FrontPanel> panel_;
    std::optional<std::array<std::uint8_t, DISPLAY_COUNT>> displayOverride_;
    double t_ = 0.0;
    int page_ = 0;
    std::uint8_t argument_ = 0;
    std::uint8_t lastCommand_ = 0;
    bool keyboardLocked_ = false;
    bool streaming_ = false;
    StreamPattern pattern_;
    long streamFrames_ = 0;
    int writeDone_ = 0;
    double periodMs_;
};

} // namespace korvel::sim
