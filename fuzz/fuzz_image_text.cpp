// The memory image reader: any text parses without harm into one of its outcomes, and what
// it reads back from the writer's own layout is exactly what was written.
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvel;
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    int calls = 0;
    const ParsedImage parsed = ParseImageText(text, [&](qsizetype index, qsizetype length) {
        ++calls;
        check(index >= 0 && index <= length);
        return true;
    });
    switch (parsed.status) {
    case ParsedImage::Status::Ok:
        // No value without at least one character of text behind it.
        check(parsed.bytes.size() <= size);
        break;
    case ParsedImage::Status::BadValue:
    case ParsedImage::Status::OverByte:
        check(parsed.badLine >= 1 && !parsed.badValue.isEmpty());
        break;
    case ParsedImage::Status::TooLong:
        check(parsed.bytes.empty());
        break;
    case ParsedImage::Status::Cancelled:
        check(false); // the callback never said stop
        break;
    }

    // The writer's layout of the input's bytes reads back as those bytes.
    const std::size_t pageBytes = std::min<std::size_t>(size, 256);
    std::array<std::uint8_t, 256> page{};
    std::copy(data, data + pageBytes, page.begin());
    const QByteArray written = ImageFileText(FormatImagePage(page.data()));
    const ParsedImage back = ParseImageText(written);
    check(back.status == ParsedImage::Status::Ok && back.bytes.size() == 256);
    check(std::equal(page.begin(), page.end(), back.bytes.begin()));
    return 0;
}
