#include "memory/ImageWriter.h"

#include "link/DeviceMap.h"
#include "settings/ReplaceFile.h"

#include <QIODevice>

namespace korvel {

namespace {
constexpr int kBytesPerLine = 16;
constexpr char kHex[] = "0123456789ABCDEF";
} // namespace

QStringList FormatImagePage(const std::uint8_t* page)
{
    QStringList lines;
    lines.reserve(MEM_PAGE_SIZE / kBytesPerLine + 1);
    for (int row = 0; row < MEM_PAGE_SIZE / kBytesPerLine; ++row) {
        QString line;
        line.reserve(kBytesPerLine * 3);
        for (int col = 0; col < kBytesPerLine; ++col) {
            const std::uint8_t b = page[row * kBytesPerLine + col];
            line += QLatin1Char(kHex[b >> 4]);
            line += QLatin1Char(kHex[b & 0x0F]);
            line += QLatin1Char(' ');
        }
        lines << line;
    }
    lines << QString();
    return lines;
}

QByteArray ImageFileText(const QStringList& lines)
{
    QByteArray text;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line.toLatin1();
        text += "\r\n";
    }
    return text;
}

bool WriteImageText(QIODevice& device, const QStringList& lines)
{
    const QByteArray text = ImageFileText(lines);
    return device.write(text) == text.size();
}

QString SaveImageFile(const QString& path, const QStringList& lines)
{
    QString why;
    ReplaceFile(
        path, [&](QIODevice& file) { return WriteImageText(file, lines); }, &why);
    return why;
}

} // namespace korvel
