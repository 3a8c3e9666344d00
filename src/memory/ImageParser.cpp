#include "memory/ImageParser.h"

namespace korvel {

namespace {

constexpr qsizetype kProgressEvery = 1000;

bool isSeparator(char c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

constexpr unsigned kOverByte = 0x100;

// A value as the C library's "%x" reads it from the start of the token: an optional 0x, then
// hexadecimal digits up to the first other character. Any value over FF comes back as
// kOverByte (leading zeros do not count: "00FF" is FF).
unsigned valueOf(QByteArrayView token)
{
    qsizetype i = 0;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X') &&
        hexDigit(token[2]) >= 0)
        i = 2;
    unsigned v = 0;
    for (; i < token.size(); ++i) {
        const int d = hexDigit(token[i]);
        if (d < 0)
            break;
        v = (v << 4) | static_cast<unsigned>(d);
        if (v > 0xFF)
            return kOverByte;
    }
    return v;
}

} // namespace

ParsedImage ParseImageText(QByteArrayView text, const ParseProgress& progress)
{
    ParsedImage out;
    const qsizetype length = text.size();
    out.convertedLength = length + text.count(' '); // each space becomes CR LF
    if (out.convertedLength > IMAGE_TEXT_LIMIT) {
        out.status = ParsedImage::Status::TooLong;
        return out;
    }
    out.bytes.reserve(static_cast<std::size_t>(length / 2 + 1));

    int line = 1;
    qsizetype tokenStart = -1;
    auto endToken = [&](qsizetype end) {
        if (tokenStart < 0)
            return true;
        const QByteArrayView token = text.sliced(tokenStart, end - tokenStart);
        tokenStart = -1;
        const auto refuse = [&](ParsedImage::Status status) {
            out.status = status;
            out.badLine = line;
            out.badValue = token.toByteArray();
            return false;
        };
        if (hexDigit(token[0]) < 0)
            return refuse(ParsedImage::Status::BadValue);
        const unsigned value = valueOf(token);
        if (value > 0xFF)
            return refuse(ParsedImage::Status::OverByte);
        out.bytes.push_back(static_cast<std::uint8_t>(value));
        return true;
    };

    for (qsizetype i = 0; i < length; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i, length)) {
            out.status = ParsedImage::Status::Cancelled;
            return out;
        }
        const char c = text[i];
        if (!isSeparator(c)) {
            if (tokenStart < 0)
                tokenStart = i;
            continue;
        }
        if (!endToken(i))
            return out;
        // CR LF, a lone CR and a lone LF each end one line.
        if (c == '\n' || (c == '\r' && (i + 1 >= length || text[i + 1] != '\n')))
            ++line;
    }
    endToken(length);
    return out;
}

} // namespace korvel
