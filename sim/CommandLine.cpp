#include "sim/CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

namespace korvel::sim {

namespace {

bool toInt(const std::string& s, long min, long max, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < min || v > max)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool toDouble(const std::string& s, double min, double max, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0' || !(v >= min && v <= max))
        return false;
    out = v;
    return true;
}

// "5,9": addresses 1..63, none twice.
bool toAddresses(const std::string& s, std::vector<int>& out)
{
    std::vector<int> v;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        int a = 0;
        if (!toInt(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                   1, 63, a) ||
            std::find(v.begin(), v.end(), a) != v.end())
            return false;
        v.push_back(a);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    out = v;
    return true;
}

bool toSerial(const std::string& s, std::array<int, 3>& out)
{
    std::array<int, 3> v{};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = s.find(',', start);
        if ((i < 2) != (comma != std::string::npos))
            return false;
        const std::string part = s.substr(start, i < 2 ? comma - start : std::string::npos);
        if (!toInt(part, 0, 255, v[static_cast<std::size_t>(i)]))
            return false;
        start = comma + 1;
    }
    out = v;
    return true;
}

// "PAGE:OFFSET", page 0..127, offset 0..255.
bool toPageOffset(const std::string& s, int& page, int& offset)
{
    const std::size_t colon = s.find(':');
    return colon != std::string::npos && toInt(s.substr(0, colon), 0, 127, page) &&
           toInt(s.substr(colon + 1), 0, 255, offset);
}

} // namespace

std::string CommandLine::helpText()
{
    return R"(Usage: korvel-sim [options]

A simulated KORVEL weighing indicator on a pseudo-terminal. It prints the path of the
pty slave as the first line on standard output; open that path as a serial port.
It answers 4-byte requests [first byte, register/offset, value or count-1, CRC8] at its
address: a write with [address, request CRC], a read with [first byte, count-1, data...,
CRC8]. A request with a wrong CRC gets no answer. After command 20 it streams frames
[address|0x80, 3, weight LSB..MSB (signed 24-bit), inputs, CRC8] until command 0, one
frame every period-ms x 2^filter1 (filter 1 is register 240).

The weight follows a simulated load (or dosing cycles for a doser model) with a little
noise; row 1 of the display shows the net weight, row 2 the tare ("t") or the gross
("br"). T tares, _0_ zeroes, Print shows "Print". F or a digit opens the parameter menu
(P-01 decimals, P-02 discreteness, P-03 filter 1, P-04 filter 2, P-05 stability band):
digits type a value, E stores it, F goes to the next parameter, C leaves the menu.
The eight outputs follow command 10 while register 252 is 1; otherwise each follows
the event configured at page 1, offsets 53..60 (0 off, 1 stable, 2 tare, 3 zero,
4 net above zero, 5..9 input 1..5).

Device:
  --address N         indicator address, 1..63 (default 1)
  --model N           model number, 0..255 (default 3); 20 and above is a doser
  --serial A,B,C      serial number groups as shown "A B C" (%02u%02u%03u),
                      each 0..255 (default 5,7,123)
  --period-ms X       ADC period in ms, 0.1..1000 (default 7.5)
  --image FILE        memory image (32768 raw bytes, pages 0..127): loaded at start
                      when the file exists, saved at exit
  --seed N            seed of the simulated load and inputs (default 1)
  --stream PATTERN    what stream frames carry: "weighing" (default) the simulated
                      weight and inputs; "counting" the frame's number n since the start
                      command as the weight count (0, 1, 2, ...), so a receiver sees
                      exactly which frames it missed, and bits 4..11 of n as the input
                      byte (input 1 changes every 16 frames, input 5 every 256)

Test signal (any of these replaces the random loads, for the weighing stream and the
display; weights in display steps, i.e. scale divisions):
  --noise SD          noise of this standard deviation on the weight, 0..10000
                      (default 0); added after the filter, so the stream carries
                      exactly this deviation whatever the filter registers hold
  --step-size N       the load steps from 0 to N and back, -100000..100000 ...
  --step-period S     ... every S seconds, 0.01..86400 (up at S, down at 2S, up at
                      3S, ... counted from the simulator's start); each needs the other
The weight follows the load with a first-order lag of time constant
tau = frame period x 2^filter2 / 4 (the stream's frame period, above; filter 2 is
register 241): 7.5 ms with the defaults (7.5 ms, filter 1 = 0, filter 2 = 2), 0.24 s at
filter 1 = 3, filter 2 = 4. The same --seed gives the same noise for the same requests.

Line:
  --link PATH         make PATH a symbolic link to the pty slave (a stale link is
                      replaced; the link is removed at exit)
  --baud N            send at the pace of this line rate, 10 bits a byte (default: no
                      pacing); replies also wait for the request's own line time
  --more-addresses A,B,...  more indicators on the same line at these addresses (the
                      serial number's last group raised by 1, 2, ...); they answer
                      register reads and writes
  --strict-baud       answer only while the line speed the client set on the pty is
                      the --baud rate (requests at other speeds are logged, unanswered)
  --log FILE          one line per request received: seconds since start, the bytes in
                      hex, crc=ok or crc=bad (bytes skipped while resynchronising are
                      logged as crc=bad too); flushed line by line. When a stream
                      ends (command 0, or the simulator stops), a line
                      "<seconds> # stream ended: N frames sent" follows

Faults:
  --silent            answer nothing and send no stream (requests are still logged)
  --reply-delay-ms N  wait N ms before each reply or acknowledgement
  --split N           send each reply in N pieces ...
  --split-pause-ms N  ... with N ms between the pieces
  --corrupt-every N   corrupt the CRC of every Nth reply or acknowledgement
  --garbage-every N   put 1..5 garbage bytes before every Nth stream frame
  --drop-every N      leave out every Nth byte sent
  --unplug-after S    pull the adapter out S seconds after start (or after each replug):
                      the pty closes, so its client sees a hang-up, and --link goes
  --replug-after S    plug it back in S seconds after each unplug: a new pty, --link
                      made again (without it, only the signal replugs)
  --fail-page-select N
                      refuse every select of memory page N (0..127): a wrong
                      acknowledgement, the selection unchanged
  --fail-byte-write PAGE:OFFSET
                      refuse every memory write to that page (0..127) and offset
                      (0..255): a wrong acknowledgement, the byte unchanged
  --cut-write-after N the line goes dead for one request after N memory byte writes:
                      the next byte write is logged but neither stored nor answered;
                      what follows is served as usual (a take-over or a transfer cut
                      off half-way, then its repair)
  --lose-byte-write PAGE:OFFSET
                      every memory write to that page and offset is acknowledged
                      but does not land: the byte keeps its old value
  --lose-byte-write-times N
                      ... only the first N of them (a write that lands when it is
                      tried again)
  --fail-reads-after-writes N
                      once N memory byte writes have been heard, answer every
                      memory page read with a broken CRC; selects and register
                      writes are served as usual (a read-back that fails after
                      a write went out whole)

Memory: --image is also saved after every end-of-write command (command 1), when the
indicator keeps what it was sent, and on SIGUSR2.

Signals: SIGUSR1 toggles --silent at run time; SIGUSR2 saves --image now; SIGRTMIN
(kill -s RTMIN PID) pulls the adapter out or plugs it back in; SIGINT,
SIGTERM and SIGHUP end the simulator (the image is saved and the link removed).

  --help              this text
)";
}

bool CommandLine::parse(const std::vector<std::string>& args, CommandLine& out, std::string* error)
{
    SimOptions& o = out.options;
    SimFaults& f = o.faults;
    auto fail = [error](const std::string& message) {
        if (error)
            *error = message;
        return false;
    };
    bool sized = false; // --step-size given (0 is a size too, if a dull one)
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--address", [&](const std::string& v) { return toInt(v, 1, 63, o.address); }},
        {"--model", [&](const std::string& v) { return toInt(v, 0, 255, o.model); }},
        {"--more-addresses", [&](const std::string& v) { return toAddresses(v, o.moreAddresses); }},
        {"--serial", [&](const std::string& v) { return toSerial(v, o.serial); }},
        {"--period-ms", [&](const std::string& v) { return toDouble(v, 0.1, 1000.0, o.periodMs); }},
        {"--baud", [&](const std::string& v) { return toInt(v, 0, 4000000, o.baud); }},
        {"--link",
         [&](const std::string& v) {
             o.linkPath = v;
             return !v.empty();
         }},
        {"--log",
         [&](const std::string& v) {
             o.logPath = v;
             return !v.empty();
         }},
        {"--image",
         [&](const std::string& v) {
             o.imagePath = v;
             return !v.empty();
         }},
        {"--stream",
         [&](const std::string& v) {
             if (v == "weighing")
                 o.streamPattern = StreamPattern::Weighing;
             else if (v == "counting")
                 o.streamPattern = StreamPattern::Counting;
             else
                 return false;
             return true;
         }},
        {"--seed",
         [&](const std::string& v) {
             int s = 0;
             const bool ok = toInt(v, 0, 2147483647, s);
             o.seed = static_cast<unsigned>(s);
             return ok;
         }},
        {"--noise",
         [&](const std::string& v) {
             o.signal.on = true;
             return toDouble(v, 0.0, 10000.0, o.signal.noiseSteps);
         }},
        {"--step-size",
         [&](const std::string& v) {
             o.signal.on = sized = true;
             return toDouble(v, -100000.0, 100000.0, o.signal.stepSize);
         }},
        {"--step-period",
         [&](const std::string& v) {
             o.signal.on = true;
             return toDouble(v, 0.01, 86400.0, o.signal.stepPeriodSec);
         }},
        {"--reply-delay-ms",
         [&](const std::string& v) { return toInt(v, 0, 60000, f.replyDelayMs); }},
        {"--split", [&](const std::string& v) { return toInt(v, 1, 259, f.splitPieces); }},
        {"--split-pause-ms",
         [&](const std::string& v) { return toInt(v, 0, 60000, f.splitPauseMs); }},
        {"--corrupt-every",
         [&](const std::string& v) { return toInt(v, 0, 1000000, f.corruptEveryN); }},
        {"--garbage-every",
         [&](const std::string& v) { return toInt(v, 0, 1000000, f.garbageEveryNFrames); }},
        {"--drop-every", [&](const std::string& v) { return toInt(v, 0, 1000000, f.dropEveryN); }},
        {"--unplug-after",
         [&](const std::string& v) { return toDouble(v, 0.001, 86400.0, o.unplugAfterSec); }},
        {"--replug-after",
         [&](const std::string& v) { return toDouble(v, 0.001, 86400.0, o.replugAfterSec); }},
        {"--fail-page-select",
         [&](const std::string& v) { return toInt(v, 0, 127, f.failPageSelect); }},
        {"--fail-byte-write",
         [&](const std::string& v) { return toPageOffset(v, f.failWritePage, f.failWriteOffset); }},
        {"--cut-write-after",
         [&](const std::string& v) { return toInt(v, 0, 1000000, f.cutWriteAfter); }},
        {"--lose-byte-write",
         [&](const std::string& v) { return toPageOffset(v, f.loseWritePage, f.loseWriteOffset); }},
        {"--lose-byte-write-times",
         [&](const std::string& v) { return toInt(v, 0, 1000000, f.loseWriteTimes); }},
        {"--fail-reads-after-writes",
         [&](const std::string& v) { return toInt(v, 0, 1000000, f.failReadsAfterWrites); }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            out.help = true;
            continue;
        }
        if (name == "--strict-baud") {
            o.strictBaud = true;
            continue;
        }
        if (name == "--silent") {
            f.silent = true;
            continue;
        }
        const auto it = valued.find(name);
        if (it == valued.end())
            return fail("unknown option " + args[i]);
        if (!hasValue) {
            if (i + 1 >= args.size())
                return fail(name + " needs a value");
            value = args[++i];
        }
        if (!it->second(value))
            return fail("bad value for " + name + ": " + value);
    }
    if (sized != (o.signal.stepPeriodSec > 0.0))
        return fail(sized ? "--step-size needs --step-period" : "--step-period needs --step-size");
    if (o.strictBaud && o.baud <= 0)
        return fail("--strict-baud needs --baud");
    if (std::find(o.moreAddresses.begin(), o.moreAddresses.end(), o.address) !=
        o.moreAddresses.end())
        return fail("--more-addresses repeats --address");
    return true;
}

} // namespace korvel::sim
