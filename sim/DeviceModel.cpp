#include "sim/DeviceModel.h"

#include <algorithm>
#include <cmath>

#include "link/Crc8.h"

namespace korvel::sim {

namespace {

constexpr int MAX_DECIMALS = 4;

// Bit order of the two key groups of commands 12 and 13.
constexpr Key GROUP_A[8] = {Key::D4, Key::D5, Key::D6, Key::F, Key::D7, Key::D8, Key::D9, Key::T};
constexpr Key GROUP_B[8] = {Key::D1, Key::D2, Key::D3, Key::Print,
                            Key::C,  Key::D0, Key::E,  Key::Zero};

} // namespace

DeviceModel::DeviceModel(const SimOptions& options)
    : address_(options.address & ACCESS_ADDRESS_MASK), model_(options.model),
      serial_(options.serial), process_(options.seed), io_(options.seed),
      pattern_(options.streamPattern), periodMs_(options.periodMs)
{
    panel_ = std::make_unique<FrontPanel>(process_, menuParameters());
    refreshParams();
    process_.setSignal(options.signal);
}

std::vector<MenuParameter> DeviceModel::menuParameters()
{
    auto byte = [this](int offset, int number, int min, int max) {
        return MenuParameter{number, min, max,
                             [this, offset] { return int(memory_.at(0, offset)); },
                             [this, offset](int v) {
                                 memory_.set(0, offset, static_cast<std::uint8_t>(v));
                                 refreshParams();
                             }};
    };
    return {byte(MEM_DECIMALS, 1, 0, MAX_DECIMALS), byte(MEM_DISCRETENESS, 2, 1, 100),
            byte(MemoryImage::FILTER1_OFFSET, 3, 0, 15),
            byte(MemoryImage::FILTER2_OFFSET, 4, 0, 12),
            byte(MemoryImage::STAB_BAND_OFFSET, 5, 0, 255)};
}

void DeviceModel::refreshParams()
{
    ProcessParams p;
    p.capacity = std::max(memory_.word(0, MemoryImage::CAPACITY_OFFSET), 10);
    p.discreteness = std::max<int>(memory_.at(0, MEM_DISCRETENESS), 1);
    p.filter1 = std::min<int>(memory_.at(0, MemoryImage::FILTER1_OFFSET), 15);
    p.filter2 = std::min<int>(memory_.at(0, MemoryImage::FILTER2_OFFSET), 12);
    p.stabBand = memory_.at(0, MemoryImage::STAB_BAND_OFFSET);
    p.doser = doser();
    p.doseTarget = std::clamp(memory_.word(0, MemoryImage::DOSE_OFFSET), 10, p.capacity);
    p.framePeriodSec = framePeriods(p.filter1) * periodMs_ / 1000.0;
    process_.setParams(p);
}

bool DeviceModel::doser() const
{
    // The model byte counts as signed, as the front panel reads it: 128..255 are plain.
    return static_cast<std::int8_t>(model_) >= DOSER_FIRST_MODEL;
}

int DeviceModel::decimals() const
{
    return std::min<int>(memory_.at(0, MEM_DECIMALS), MAX_DECIMALS);
}

void DeviceModel::advanceTo(double t)
{
    t_ = std::max(t_, t);
    refreshParams();
    process_.advanceTo(t_);
    io_.advanceTo(t_);
}

int DeviceModel::framePeriods(int filter1)
{
    return filter1 <= 7 ? (1 << filter1) : 2 * filter1;
}

int DeviceModel::periodsPerFrame() const
{
    return framePeriods(process_.params().filter1);
}

void DeviceModel::setDisplay(std::optional<std::array<std::uint8_t, DISPLAY_COUNT>> display)
{
    displayOverride_ = display;
}

std::uint8_t DeviceModel::statusByte() const
{
    std::uint8_t s = 0;
    if (process_.stable())
        s |= STATUS_STABLE;
    if (process_.tareActive())
        s |= STATUS_TARE;
    if (process_.atZero())
        s |= STATUS_ZERO;
    if (doser()) {
        switch (process_.dosePhase()) {
        case WeighingProcess::DosePhase::Coarse:
            s |= STATUS_DOZ1;
            break;
        case WeighingProcess::DosePhase::Fine:
            s |= STATUS_DOZ2;
            break;
        case WeighingProcess::DosePhase::Done:
            s |= STATUS_DOZ3;
            break;
        case WeighingProcess::DosePhase::Discharge:
            s |= STATUS_DOZ4;
            break;
        case WeighingProcess::DosePhase::Pause:
            break;
        }
    }
    return s;
}

std::array<std::uint8_t, DISPLAY_COUNT> DeviceModel::display() const
{
    if (displayOverride_)
        return *displayOverride_;
    std::array<std::uint8_t, DISPLAY_COUNT> d{};
    d[0] = statusByte();
    const auto digits = panel_->segments(decimals(), t_);
    std::copy(digits.begin(), digits.end(), d.begin() + 1);
    return d;
}

std::uint8_t DeviceModel::outputs() const
{
    DigitalIo::Events e;
    e.stable = process_.stable();
    e.tare = process_.tareActive();
    e.zero = process_.atZero();
    e.loaded = process_.displayNet() > 0;
    return io_.outputs(e, memory_.page(MEM_OUTPUT_CONFIG_PAGE) + MEM_OUTPUT_CONFIG);
}

std::uint8_t DeviceModel::readRegister(int reg) const
{
    reg &= 0xFF;
    if (reg >= REG_DISPLAY && reg < REG_DISPLAY + DISPLAY_COUNT)
        return display()[static_cast<std::size_t>(reg - REG_DISPLAY)];
    switch (reg) {
    case REG_DIO:
        return inputs();
    case REG_DIO + 1:
        return outputs();
    case REG_IDENT:
        return static_cast<std::uint8_t>(serial_[2]);
    case REG_IDENT + 1:
        return static_cast<std::uint8_t>(model_);
    case REG_IDENT + 2:
        return static_cast<std::uint8_t>(serial_[0]);
    case REG_IDENT + 3:
        return static_cast<std::uint8_t>(serial_[1]);
    case REG_FILTER1:
        return memory_.at(0, MemoryImage::FILTER1_OFFSET);
    case REG_FILTER2:
        return memory_.at(0, MemoryImage::FILTER2_OFFSET);
    case REG_STAB_BAND:
        return memory_.at(0, MemoryImage::STAB_BAND_OFFSET);
    case REG_OUTPUT_CONTROL:
        return io_.pcControl() ? 1 : 0;
    case REG_ARGUMENT:
        return argument_;
    case REG_PAGE:
        return static_cast<std::uint8_t>(page_);
    case REG_COMMAND:
        return lastCommand_;
    default:
        return 0;
    }
}

void DeviceModel::writeRegister(int reg, std::uint8_t value)
{
    switch (reg) {
    case REG_FILTER1:
        memory_.set(0, MemoryImage::FILTER1_OFFSET, value);
        break;
    case REG_FILTER2:
        memory_.set(0, MemoryImage::FILTER2_OFFSET, value);
        break;
    case REG_STAB_BAND:
        memory_.set(0, MemoryImage::STAB_BAND_OFFSET, value);
        break;
    case REG_OUTPUT_CONTROL:
        io_.setPcControl(value == 1);
        break;
    case REG_ARGUMENT:
        argument_ = value;
        break;
    case REG_PAGE:
        if (value < MEM_PAGE_COUNT) // no such page: the selection stays
            page_ = value;
        break;
    case REG_COMMAND:
        runCommand(value);
        break;
    default:
        break; // read-only or unused registers take writes without effect
    }
    refreshParams();
}

void DeviceModel::runCommand(std::uint8_t command)
{
    lastCommand_ = command;
    switch (command) {
    case CMD_STREAM_STOP:
        streaming_ = false;
        break;
    case CMD_WRITE_DONE:
        ++writeDone_;
        break;
    case CMD_SET_OUTPUTS:
        io_.setPcOutputs(argument_);
        break;
    case CMD_KEYS_A:
        pressKeys(argument_, false);
        break;
    case CMD_KEYS_B:
        pressKeys(argument_, true);
        break;
    case CMD_KEYBOARD_LOCK:
        keyboardLocked_ = true;
        break;
    case CMD_KEYBOARD_UNLOCK:
        keyboardLocked_ = false;
        break;
    case CMD_STREAM_START:
        streaming_ = true;
        streamFrames_ = 0;
        break;
    default:
        break;
    }
}

void DeviceModel::pressKeys(std::uint8_t mask, bool groupB)
{
    // The lock is for the indicator's own keypad; keys pressed by the PC still act.
    const Key* keys = groupB ? GROUP_B : GROUP_A;
    for (int bit = 0; bit < 8; ++bit)
        if (mask & (1u << bit))
            panel_->press(keys[bit], t_);
}

std::vector<std::uint8_t> DeviceModel::handle(const std::uint8_t request[4], double t)
{
    if ((request[0] & ACCESS_ADDRESS_MASK) != address_)
        return {};
    advanceTo(t);
    const bool read = request[0] & ACCESS_REG_READ;
    const bool memory = request[0] & ACCESS_MEM_WRITE;
    const int index = request[1];

    if (!read) {
        if (memory)
            memory_.set(page_, index, request[2]);
        else
            writeRegister(index, request[2]);
        refreshParams();
        return {static_cast<std::uint8_t>(address_), request[3]};
    }

    const int count = request[2] + 1;
    std::vector<std::uint8_t> reply;
    reply.reserve(static_cast<std::size_t>(count) + 3);
    reply.push_back(request[0]);
    reply.push_back(request[2]);
    if (memory) {
        for (int i = 0; i < count; ++i)
            reply.push_back(memory_.at(page_, index + i));
    } else {
        // One snapshot of the display for the whole read, so its bytes agree with each other.
        const auto disp = display();
        for (int i = 0; i < count; ++i) {
            const int reg = (index + i) & 0xFF;
            reply.push_back(reg >= REG_DISPLAY && reg < REG_DISPLAY + DISPLAY_COUNT
                                ? disp[static_cast<std::size_t>(reg - REG_DISPLAY)]
                                : readRegister(reg));
        }
    }
    reply.push_back(Crc8(reply.data(), reply.size()));
    return reply;
}

std::vector<std::uint8_t> DeviceModel::streamFrame() const
{
    long w = 0;
    std::uint8_t in = 0;
    if (pattern_ == StreamPattern::Counting) {
        w = streamFrames_ % 8388608L;
        in = static_cast<std::uint8_t>((streamFrames_ >> 4) & 0xFF);
    } else {
        // The stream carries one digit more than the display, unrounded.
        w = std::clamp(std::lround(process_.netCounts() * 10.0), -8388608L, 8388607L);
        in = inputs();
    }
    const auto u = static_cast<std::uint32_t>(w);
    std::vector<std::uint8_t> frame = {static_cast<std::uint8_t>(address_ | ACCESS_REG_READ),
                                       STREAM_DATA_COUNT - 1,
                                       static_cast<std::uint8_t>(u & 0xFF),
                                       static_cast<std::uint8_t>((u >> 8) & 0xFF),
                                       static_cast<std::uint8_t>((u >> 16) & 0xFF),
                                       in};
    frame.push_back(Crc8(frame.data(), frame.size()));
    return frame;
}

std::vector<std::uint8_t> DeviceModel::nextStreamFrame()
{
    std::vector<std::uint8_t> frame = streamFrame();
    ++streamFrames_;
    return frame;
}

} // namespace korvel::sim
