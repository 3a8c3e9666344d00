#include "link/PortMessages.h"

namespace korvel {

namespace {

const char* const kNoPolling = "\n\nОпрос веса не осуществляется.";

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

PortMessage portNameMissingMessage()
{
    return {"COM-порт не задан.", 0, 0, 0};
}

PortMessage portOpenMessage(const std::string& commName, const PortOpenResult& result)
{
    const std::string cannot = "Не могу открыть " + quoted(commName);
    switch (result.status) {
    case PortOpenStatus::Ok:
        return {};
    case PortOpenStatus::NotFound:
        return {cannot + ",\nтакого порта не существует." + kNoPolling, 80, 40, 48};
    case PortOpenStatus::Busy:
        return {cannot + ", порт занят." + kNoPolling, 100, 50, 36};
    case PortOpenStatus::AccessDenied:
        // One line more than the "does not exist" text, no line longer.
        return {cannot + ",\nнет прав доступа к порту\n(нужна группа dialout)." + kNoPolling, 80,
                40, 60};
    case PortOpenStatus::ConfigFailed:
        return {"Необходимые параметры порта " + quoted(commName) + "\nне установлены", 120, 60,
                12};
    case PortOpenStatus::OtherError:
        break;
    }
    return {cannot + ", код ошибки: " + std::to_string(result.errorCode) + "." + kNoPolling, 110,
            55, 36};
}

ComPortOpening openComPort(SerialPort& port, const std::string& commName, int baudRate,
                           int readTimeoutMs)
{
    ComPortOpening opening;
    if (commName.empty()) {
        opening.message = portNameMissingMessage();
        return opening;
    }
    opening.attempted = true;
    opening.result = port.open(commName, baudRate, readTimeoutMs);
    opening.ok = opening.result.status == PortOpenStatus::Ok;
    opening.message = portOpenMessage(commName, opening.result);
    return opening;
}

} // namespace korvel
