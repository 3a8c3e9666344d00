#include "link/WinPortErrors.h"

namespace korvel {

namespace {
// The Win32 error codes by value: this file is built where <windows.h> is not.
constexpr unsigned long kFileNotFound = 2;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kNotReady = 21;
constexpr unsigned long kBadCommand = 22;
constexpr unsigned long kGenFailure = 31;
constexpr unsigned long kDeviceNotConnected = 1167;
constexpr unsigned long kDeviceRemoved = 1617;
} // namespace

std::string winDevicePath(const std::string& commName)
{
    const std::string prefix = "\\\\.\\";
    if (commName.compare(0, prefix.size(), prefix) == 0)
        return commName;
    return prefix + commName;
}

PortOpenStatus portStatusFromWinError(unsigned long error)
{
    switch (error) {
    case kFileNotFound:
        return PortOpenStatus::NotFound;
    case kAccessDenied:
        return PortOpenStatus::Busy;
    default:
        return PortOpenStatus::OtherError;
    }
}

bool winDeviceGone(unsigned long error)
{
    // What USB serial drivers answer after a surprise removal differs from driver to driver;
    // a port whose other end has closed answers "not ready".
    switch (error) {
    case kAccessDenied:
    case kNotReady:
    case kBadCommand:
    case kGenFailure:
    case kDeviceNotConnected:
    case kDeviceRemoved:
        return true;
    default:
        return false;
    }
}

} // namespace korvel
