#include "shell/ui/ComPortUi.h"

#include "link/PortMessages.h"
#include "settings/SettingsValues.h"
#include "shell/ui/MessagePopup.h"

namespace korvel {

bool OpenComPort(SerialPort& port, const Uperemen& settings, int readTimeoutMs)
{
    const ComPortOpening opening =
        openComPort(port, settings.CommName.toStdString(), settings.BaudRate, readTimeoutMs);
    if (!opening.ok && !opening.message.text.empty()) {
        const PortMessage& m = opening.message;
        const QString text = QString::fromStdString(m.text);
        // The port name is the user's and may be a long device path: widen rather than cut.
        const int growW = TFormMessage::growthToFit(text, m.growW);
        const int growOkX = m.growOkX + (growW - m.growW) / 2;
        ShowFormMessage(text, growW, growOkX, m.growH);
    }
    return opening.ok;
}

} // namespace korvel
