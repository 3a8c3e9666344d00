#include "settings/IniProfile.h"

#include "settings/Cp1251.h"
#include "settings/ReplaceFile.h"

#include <QFile>
#include <QIODevice>

namespace korvel {

namespace {

QString decode(QByteArrayView bytes)
{
    return DecodeCp1251(bytes);
}

// Encodes to Windows-1251; empty optional when a character has no place in that code page.
std::optional<QByteArray> encode(const QString& text)
{
    bool exact = false;
    QByteArray bytes = EncodeCp1251(text, &exact);
    if (!exact)
        return std::nullopt;
    return bytes;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0));
}

// The name of a "[section]" header line, or nothing when the line is not a header.
std::optional<QString> headerName(const QByteArray& body)
{
    const QByteArray t = body.trimmed();
    if (!t.startsWith('['))
        return std::nullopt;
    int close = t.indexOf(']');
    if (close < 0)
        close = t.size();
    return decode(t.mid(1, close - 1).trimmed());
}

// For a "key=value" line: the key and where its value starts. Comments (';') and headers are not
// keys, nor is a line without '=' or with nothing before it.
std::optional<std::pair<QString, int>> keyLine(const QByteArray& body)
{
    const QByteArray t = body.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return std::nullopt;
    const int eq = body.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    const QByteArray name = body.left(eq).trimmed();
    if (name.isEmpty())
        return std::nullopt;
    int start = eq + 1;
    while (start < body.size() && isBlank(body.at(start)))
        ++start;
    return std::make_pair(decode(name), start);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void IniProfile::setBytes(const QByteArray& bytes)
{
    lines_.clear();
    modified_ = false;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0) {
            lines_.push_back({bytes.mid(pos), QByteArray()});
            break;
        }
        QByteArray body = bytes.mid(pos, nl - pos);
        QByteArray eol("\n");
        if (body.endsWith('\r')) {
            body.chop(1);
            eol = "\r\n";
        }
        lines_.push_back({body, eol});
        pos = nl + 1;
    }
}

QByteArray IniProfile::toBytes() const
{
    QByteArray out;
    for (const Line& line : lines_)
        out += line.body + line.eol;
    return out;
}

bool IniProfile::read(QIODevice& device)
{
    if (!device.isReadable())
        return false;
    setBytes(device.readAll());
    return true;
}

bool IniProfile::write(QIODevice& device) const
{
    const QByteArray bytes = toBytes();
    return device.isWritable() && device.write(bytes) == bytes.size();
}

IniProfile::LoadStatus IniProfile::loadFile(const QString& path, QString* error)
{
    setBytes(QByteArray());
    QFile file(path);
    if (!file.exists())
        return LoadStatus::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return LoadStatus::Unreadable;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return LoadStatus::Unreadable;
    }
    setBytes(bytes);
    return LoadStatus::Loaded;
}

bool IniProfile::saveFile(const QString& path, QString* error) const
{
    // No direct-write fallback: a settings file is either the old one or the complete new one.
    const QByteArray bytes = toBytes();
    return ReplaceFile(
        path, [&](QIODevice& file) { return file.write(bytes) == bytes.size(); }, error);
}

int IniProfile::findSection(const QString& section) const
{
    for (int i = 0; i < int(lines_.size()); ++i) {
        const auto name = headerName(lines_[i].body);
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

int IniProfile::sectionEnd(int headerLine) const
{
    int i = headerLine + 1;
    while (i < int(lines_.size()) && !headerName(lines_[i].body))
        ++i;
    return i;
}

IniProfile::KeyPos IniProfile::findKey(const QString& section, const QString& key) const
{
    const int header = findSection(section);
    if (header < 0)
        return {};
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const auto k = keyLine(lines_[i].body);
        if (k && sameName(k->first, key))
            return {i, k->second};
    }
    return {};
}

std::optional<QString> IniProfile::value(const QString& section, const QString& key) const
{
    const KeyPos pos = findKey(section, key);
    if (pos.line < 0)
        return std::nullopt;
    return decode(lines_[pos.line].body.mid(pos.valueStart).trimmed());
}

bool IniProfile::contains(const QString& section, const QString& key) const
{
    return findKey(section, key).line >= 0;
}

QString IniProfile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, key).value_or(def);
}

std::optional<int> IniProfile::parseInteger(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    int base = 10;
    if (text.size() > 2 && text.front() == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Hexadecimal is a 32-bit pattern (colours are written that way by hand); decimal must fit.
    const unsigned long long limit =
        base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    unsigned long long v = 0;
    for (QChar c : text) {
        const int digit = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
                          : base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f'
                              ? c.toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0)
            return std::nullopt;
        v = v * base + digit;
        if (v > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(negative ? 0ull - v : v);
    return static_cast<int>(bits);
}

int IniProfile::readInteger(const QString& section, const QString& key, int def) const
{
    const auto text = value(section, key);
    if (!text)
        return def;
    return parseInteger(*text).value_or(def);
}

bool IniProfile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniProfile::readFloat(const QString& section, const QString& key, double def,
                             const QLocale& locale) const
{
    const auto text = value(section, key);
    if (!text)
        return def;
    // Only the decimal separator belongs to the notation; "1.250" must not read as 1250.
    QLocale strict = locale;
    strict.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = strict.toDouble(*text, &ok);
    return ok ? v : def;
}

QByteArray IniProfile::lineEnding() const
{
    for (const Line& line : lines_)
        if (!line.eol.isEmpty())
            return line.eol;
    return QByteArrayLiteral("\r\n");
}

void IniProfile::terminateLastLine()
{
    if (!lines_.empty() && lines_.back().eol.isEmpty())
        lines_.back().eol = lineEnding();
}

bool IniProfile::writeString(const QString& section, const QString& key, const QString& value)
{
    const QString sec = section.trimmed();
    const QString k = key.trimmed();
    if (sec.isEmpty() || k.isEmpty() || hasLineBreak(sec) || hasLineBreak(k) ||
        hasLineBreak(value) || sec.contains(QLatin1Char(']')) || k.contains(QLatin1Char('=')) ||
        k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('[')))
        return false;
    const auto secBytes = encode(sec);
    const auto keyBytes = encode(k);
    const auto valueBytes = encode(value);
    if (!secBytes || !keyBytes || !valueBytes)
        return false;

    const KeyPos pos = findKey(sec, k);
    if (pos.line >= 0) {
        Line& line = lines_[pos.line];
        if (line.body.mid(pos.valueStart).trimmed() == *valueBytes)
            return true;
        line.body = line.body.left(pos.valueStart) + *valueBytes;
        modified_ = true;
        return true;
    }

    const QByteArray eol = lineEnding();
    const Line newKey{*keyBytes + '=' + *valueBytes, eol};
    const int header = findSection(sec);
    if (header >= 0) {
        // After the section's last non-blank line, so the blank line before the next header stays.
        int at = header + 1;
        for (int i = header + 1; i < sectionEnd(header); ++i)
            if (!lines_[i].body.trimmed().isEmpty())
                at = i + 1;
        if (lines_[at - 1].eol.isEmpty())
            lines_[at - 1].eol = eol;
        lines_.insert(lines_.begin() + at, newKey);
    } else {
        terminateLastLine();
        if (!lines_.empty() && !lines_.back().body.trimmed().isEmpty())
            lines_.push_back({QByteArray(), eol});
        lines_.push_back({'[' + *secBytes + ']', eol});
        lines_.push_back(newKey);
    }
    modified_ = true;
    return true;
}

bool IniProfile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniProfile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace korvel
