#pragma once
#include "link/SerialPort.h"

#include <string>

namespace korvel {

// The Windows side of the port, in pure functions so that they are checked on every platform.

// The device a user's port name opens: "\\.\" + name. The device namespace is what lets
// COM10 and above open at all; a name that already carries the prefix is used as is.
std::string winDevicePath(const std::string& commName);

// How an error from opening the port (GetLastError) is reported to the user: 2 (no such
// file) is a port that does not exist, 5 (access denied) a port that another program holds;
// any other code is shown as a number.
PortOpenStatus portStatusFromWinError(unsigned long error);

// True for the errors a read, write or status call gives once the device has gone from under
// an open handle (a USB adapter pulled out), as opposed to a time-out or a line error.
bool winDeviceGone(unsigned long error);

} // namespace korvel
