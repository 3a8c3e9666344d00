#include "ui/ComPortUi.h"

#include "link/PortMessages.h"
#include "settings/SettingsValues.h"
#include "ui/MessagePopup.h"

namespace korvel {

namespace {

void showPortMessage(const PortMessage& m)
{
    const QString text = QString::fromStdString(m.text);
    // The port name is the user's and may be a long device path: widen rather than cut.
    const int growW = TFormMessage::growthToFit(text, m.growW);
    const int growOkX = m.growOkX + (growW - m.growW) / 2;
    ShowFormMessage(text, growW, growOkX, m.growH);
}

} // namespace

bool OpenComPort(SerialPort& port, const Uperemen& settings, int readTimeoutMs)
{
    const ComPortOpening opening =
        openComPort(port, settings.CommName.toStdString(), settings.BaudRate, readTimeoutMs);
    if (!opening.ok && !opening.message.text.empty())
        showPortMessage(opening.message);
    return opening.ok;
}

void ShowPortParametersNotSet(const Uperemen& settings)
{
    showPortMessage(
        portOpenMessage(settings.CommName.toStdString(), {PortOpenStatus::ConfigFailed, 0}));
}

} // namespace korvel
