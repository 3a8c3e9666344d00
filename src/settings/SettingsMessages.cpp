#include "settings/SettingsMessages.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>

namespace korvel {

namespace {

constexpr int kPopupWidth = 205;
constexpr int kSideMargin = 12;      // free space left and right of the longest line
constexpr int kMaxExtraWidth = 1000; // a longer path is cut at the label's edges
constexpr int kFourLinesHeight = 48; // as for the other four-line popup texts

int textWidth(const QString& line)
{
    // Font metrics need a GUI application; without one, an average glyph width is close enough.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont font;
        font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
        font.setPixelSize(13);
        return QFontMetrics(font).horizontalAdvance(line);
    }
    return int(line.size()) * 7;
}

} // namespace

PopupMessage settingsWriteFailedMessage(const QString& filePath)
{
    PopupMessage m;
    m.text = QStringLiteral("Не могу записать файл настроек\n\"") +
             QDir::toNativeSeparators(filePath) +
             QStringLiteral("\".\n\nИзменения настроек не сохранены.");
    int widest = 0;
    for (const QString& line : m.text.split(QLatin1Char('\n')))
        widest = std::max(widest, textWidth(line));
    int extra = std::clamp(widest + 2 * kSideMargin - kPopupWidth, 0, kMaxExtraWidth);
    extra += extra % 2; // the OK button moves by half, so keep it whole
    m.extraWidth = extra;
    m.okShift = extra / 2;
    m.extraHeight = kFourLinesHeight;
    return m;
}

} // namespace korvel
