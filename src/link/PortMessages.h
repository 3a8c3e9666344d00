#pragma once
#include "link/SerialPort.h"

#include <string>

namespace korvel {

// A text for the message popup and how much the popup grows to fit it (pixels): extra width
// of the window, extra left offset of its OK button, extra height of window and label.
struct PortMessage
{
    std::string text; // UTF-8; empty when there is nothing to say
    int growW = 0;
    int growOkX = 0;
    int growH = 0;
};

// "COM-порт не задан."
PortMessage portNameMissingMessage();

// What the user is told about an attempt to open `commName` (the name as the user gave it).
// An Ok result gives an empty message.
PortMessage portOpenMessage(const std::string& commName, const PortOpenResult& result);

struct ComPortOpening
{
    bool ok = false;
    bool attempted = false; // false for an empty name: the port was not touched
    PortOpenResult result;
    PortMessage message; // empty text when ok
};

// Opens the user's port and words any failure; the caller only shows the message.
// An empty name never reaches the port. A port whose configuration failed stays open.
ComPortOpening openComPort(SerialPort& port, const std::string& commName, int baudRate,
                           int readTimeoutMs);

} // namespace korvel
