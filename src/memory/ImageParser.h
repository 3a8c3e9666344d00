#pragma once
// The memory image reader. It accepts what the writer produces and any text of hexadecimal
// values separated by spaces and line breaks, in any grouping, one or more digits a value:
// "F" is 0x0F, "00FF" is 0xFF, an optional 0x prefix is allowed. A value over FF ("1FF") is
// refused, not cut to its low 8 bits: the writer never produces one, so it is a typo in a
// hand-edited image, and cutting it would put a wrong byte into the indicator. Two separators
// in a row separate nothing (no zero byte comes of them). A tab is not a separator: of
// "AB<tab>CD" only AB is read.
#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <vector>

namespace korvel {

// The longest text the reader takes, counted after every space became CR LF (as the text
// is laid out one value a line).
inline constexpr qsizetype IMAGE_TEXT_LIMIT = 300000;

struct ParsedImage
{
    enum class Status {
        Ok,
        Cancelled, // the progress callback said stop
        TooLong,   // over IMAGE_TEXT_LIMIT; nothing was parsed
        BadValue,  // a value that does not begin with a hexadecimal digit
        OverByte,  // a value over FF
    };
    Status status = Status::Ok;
    std::vector<std::uint8_t> bytes; // in file order; image byte k is page k / 256, offset k % 256
    qsizetype convertedLength = 0;
    int badLine = 0;     // 1-based line of the text holding the first bad or too great value
    QByteArray badValue; // that value as written
};

// Called at text index 0, 1000, 2000, ... with the text's length; returning false stops.
using ParseProgress = std::function<bool(qsizetype index, qsizetype length)>;

ParsedImage ParseImageText(QByteArrayView text, const ParseProgress& progress = {});

} // namespace korvel
