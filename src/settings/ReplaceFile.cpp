#include "settings/ReplaceFile.h"

#include <QSaveFile>

namespace korvel {

bool ReplaceFile(const QString& path, const std::function<bool(QIODevice&)>& write, QString* why,
                 const QString& whyWithoutDeviceError)
{
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!write(file)) {
        const bool deviceFailed = file.error() != QFileDevice::NoError;
        return fail(deviceFailed || whyWithoutDeviceError.isEmpty() ? file.errorString()
                                                                    : whyWithoutDeviceError);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace korvel
