#include "shell/ui/ComPortUi.h"

#include "link/PortMessages.h"
#include "settings/Uperemen.h"
#include "shell/ui/Umessage.h"

namespace korvel {

bool OpenComPort(SerialPort& port, const Uperemen& settings, int readTimeoutMs)
{
    const ComPortOpening opening =
        openComPort(port, settings.CommName.toStdString(), settings.BaudRate, readTimeoutMs);
    if (!opening.ok && !opening.message.text.empty()) {
        const PortMessage& m = opening.message;
        ShowFormMessage(QString::fromStdString(m.text), m.growW, m.growOkX, m.growH);
    }
    return opening.ok;
}

} // namespace korvel
