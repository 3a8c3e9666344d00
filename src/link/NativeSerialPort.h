#pragma once
// The serial port of the platform the program is built for.
#ifdef _WIN32
#include "link/WinSerialPort.h"
namespace korvel {
using NativeSerialPort = WinSerialPort;
}
#else
#include "link/PosixSerialPort.h"
namespace korvel {
using NativeSerialPort = PosixSerialPort;
}
#endif
