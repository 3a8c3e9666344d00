#include "chart/ChartMessages.h"

#include "chart/core/ChartFileFormat.h"
#include "ui/MessagePopup.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr int kShownTextLength = 24;

// A text from the file as the user would recognise it: control characters as '?', a long one
// cut.
QString shown(const QString& text)
{
    QString out;
    for (QChar c : text.left(kShownTextLength))
        out += c.unicode() < 0x20 ? QLatin1Char('?') : c;
    if (text.size() > kShownTextLength)
        out += QStringLiteral("…");
    return out;
}

QString problemText(const ChartFileProblem& p)
{
    using Kind = ChartFileProblem::Kind;
    const QString line = QStringLiteral("Строка %1: ").arg(p.line);
    switch (p.kind) {
    case Kind::None:
        return {};
    case Kind::TooLarge:
        return QStringLiteral("Файл слишком велик для графика:\n%1 МБ, допустимо до %2 МБ.")
            .arg(QString::number(p.text.toDouble() / (1024.0 * 1024.0), 'f', 1))
            .arg(ChartFileFormat::kMaxFileBytes / (1024 * 1024));
    case Kind::Unreadable:
        return QStringLiteral("Файл не читается (") + p.text + QStringLiteral(").");
    case Kind::Empty:
        return QStringLiteral("Файл пуст.");
    case Kind::TooShort:
        return QStringLiteral("Строка %1: файл оборван,\nв заголовке графика %2 строк.")
            .arg(p.line)
            .arg(ChartFileFormat::kHeaderLines);
    case Kind::HeaderMismatch:
        return line + QStringLiteral("заголовок не распознан:\n\"") + shown(p.text) +
               QStringLiteral("\".");
    case Kind::LineMismatch:
        return line + QStringLiteral("не хватает полей:\n\"") + shown(p.text) +
               QStringLiteral("\".");
    case Kind::NotANumber:
        return line + QStringLiteral("\"") + shown(p.text) + QStringLiteral("\" - не число.");
    case Kind::TextTooLong:
        return line +
               QStringLiteral("поле длиннее %1 знаков:\n\"").arg(ChartFileFormat::kMaxTextLength) +
               shown(p.text) + QStringLiteral("\".");
    }
    return {};
}

} // namespace

PopupMessage ChartFileNotSavedMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу сохранить файл\n") + path + QStringLiteral("\n(") +
                         why + QStringLiteral(")."));
}

QString ChartFileBeingRecordedText()
{
    return QStringLiteral("в этот файл идёт запись графика");
}

PopupMessage ChartPictureNotSavedMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу сохранить изображение\n") + path +
                         QStringLiteral("\n(") + why + QStringLiteral(")."));
}

PopupMessage ChartRecordingStoppedMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу записывать в файл\n") + path +
                         QStringLiteral("\n(") + why + QStringLiteral(").\nЗапись остановлена."));
}

PopupMessage ChartFileProblemMessage(const QString& path, const ChartFileProblem& problem,
                                     int pointsShown)
{
    QString text = QStringLiteral("Файл\n") + path + QStringLiteral("\n") + problemText(problem);
    if (pointsShown > 0)
        text += QStringLiteral("\nПоказаны точки до этой строки: %1.").arg(pointsShown);
    return FittedMessage(text);
}

} // namespace korvel
