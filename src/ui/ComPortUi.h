#pragma once

namespace korvel {

class SerialPort;
struct Uperemen;

// Opens the user's port (CommName, BaudRate) with the given read time-out and, when that
// fails, tells the user why in the message popup. True when the port is open and configured.
// The caller closes a previously opened port first.
bool OpenComPort(SerialPort& port, const Uperemen& settings, int readTimeoutMs);

// The port message: the port's parameters (its time-outs) could not be set.
void ShowPortParametersNotSet(const Uperemen& settings);

} // namespace korvel
