#include "memory/MemoryMessages.h"

#include "settings/Cp1251.h"
#include "ui/MessagePopup.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr int kShownValueLength = 24;

const QString kUntouched = QStringLiteral("\n\nПрибор не изменён.");

// A value from the file as the user would recognise it: the program's code page, a tab named,
// other control characters as '?', a long one cut.
QString shownValue(const QByteArray& raw)
{
    QString text = DecodeCp1251(raw.left(kShownValueLength));
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('\t'))
            out += QStringLiteral("<Tab>");
        else if (c.unicode() < 0x20)
            out += QLatin1Char('?');
        else
            out += c;
    }
    if (raw.size() > kShownValueLength)
        out += QStringLiteral("…");
    return out;
}

} // namespace

PopupMessage ImageRefusal(const ParsedImage& image, const MemoryArea& area)
{
    switch (image.status) {
    case ParsedImage::Status::TooLong:
        return FittedMessage(QStringLiteral("Файл слишком велик для образа памяти:\n%1 знаков "
                                            "при разборе, допустимо %2.")
                                 .arg(image.convertedLength)
                                 .arg(IMAGE_TEXT_LIMIT) +
                             kUntouched);
    case ParsedImage::Status::BadValue:
        return FittedMessage(QStringLiteral("Строка %1 файла не является\nшестнадцатеричным "
                                            "значением: \"%2\".")
                                 .arg(image.badLine)
                                 .arg(shownValue(image.badValue)) +
                             kUntouched);
    case ParsedImage::Status::OverByte:
        return FittedMessage(QStringLiteral("Строка %1 файла: значение\n\"%2\" больше FF.")
                                 .arg(image.badLine)
                                 .arg(shownValue(image.badValue)) +
                             kUntouched);
    case ParsedImage::Status::Cancelled:
        return {};
    case ParsedImage::Status::Ok:
        break;
    }
    const auto found = static_cast<qsizetype>(image.bytes.size());
    if (found < area.bytes())
        return FittedMessage(QStringLiteral("Значений в файле: %1.\nДля записи в %2 нужно %3.")
                                 .arg(found)
                                 .arg(area.name)
                                 .arg(area.bytes()) +
                             kUntouched);
    return {};
}

PopupMessage SourceUnreadableMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу прочитать файл\n") + path + QStringLiteral("\n(") +
                         why + QStringLiteral(").") + kUntouched);
}

PopupMessage ImageNotSavedMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу сохранить файл\n") + path + QStringLiteral("\n(") +
                         why + QStringLiteral(")."));
}

PopupMessage BackupNotReadMessage()
{
    return FittedMessage(
        TFormMessage::defaultText() +
        QStringLiteral("\n\nРезервная копия не прочитана,\nзапись не выполнялась."));
}

PopupMessage BackupNotSavedMessage(const QString& path, const QString& why)
{
    return FittedMessage(QStringLiteral("Не могу сохранить резервную копию\n") + path +
                         QStringLiteral("\n(") + why +
                         QStringLiteral(").\n\nЗапись не выполнялась."));
}

PopupMessage WriteEndMessage(const WriteSummary& summary, const MemoryArea& area,
                             const QString& backupPath)
{
    // The mismatches named one per line; the rest only counted, or the popup outgrows the screen.
    constexpr std::size_t kNamed = 4;
    const auto hex = [](int v) {
        return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    };
    QString written =
        QStringLiteral("Записано байт: %1 из %2.").arg(summary.written).arg(area.bytes());
    if (summary.rewritten > 0)
        written += QStringLiteral("\nЗаписано повторно: %1.").arg(summary.rewritten);
    QString head;
    switch (summary.end) {
    case WriteEnd::Completed:
        if (summary.left.empty()) {
            head = QStringLiteral("Запись в %1 завершена и проверена.\n").arg(area.name) + written;
            break;
        }
        head = QStringLiteral("Запись в %1 завершена, но проверка\nнашла расхождения.\n")
                   .arg(area.name) +
               written + QStringLiteral("\nНе совпадает байт: %1").arg(summary.left.size());
        for (std::size_t i = 0; i < summary.left.size() && i < kNamed; ++i) {
            const ByteDiff& b = summary.left[i];
            head += QStringLiteral("\n%1:%2: ожидалось %3, прочитано %4")
                        .arg(hex(b.page), hex(b.offset), hex(b.wanted), hex(b.found));
        }
        if (summary.left.size() > kNamed)
            head += QStringLiteral("\n…");
        break;
    case WriteEnd::NothingToWrite:
        head = QStringLiteral("%1 уже совпадает с файлом,\nзапись не потребовалась.")
                   .arg(area.name);
        break;
    case WriteEnd::Cancelled:
        head = QStringLiteral("Запись в %1 прервана.\n").arg(area.name) + written;
        break;
    case WriteEnd::LinkFailed:
        head = TFormMessage::defaultText() +
               QStringLiteral("\nЗапись в %1 прервана.\n").arg(area.name) + written;
        break;
    case WriteEnd::VerifyCancelled:
        head = QStringLiteral("Запись в %1 завершена,\nпроверка прервана.\n").arg(area.name) +
               written;
        break;
    case WriteEnd::VerifyLinkFailed:
        head = TFormMessage::defaultText() +
               QStringLiteral("\nПроверка не закончена: запись в %1\nмогла остаться неполной.\n")
                   .arg(area.name) +
               written;
        break;
    }
    if (summary.writeDoneLost) {
        // Without the command the indicator does not take the new content into use. Writing
        // the same file again sends it, even when no byte differs any more.
        if (!head.startsWith(TFormMessage::defaultText()))
            head = TFormMessage::defaultText() + QStringLiteral("\n") + head;
        head += QStringLiteral("\n\nКоманда окончания записи не дошла до прибора:\n"
                               "запишите этот файл ещё раз.");
    }
    return FittedMessage(head + QStringLiteral("\n\nРезервная копия прежнего содержимого:\n") +
                         backupPath);
}

} // namespace korvel
