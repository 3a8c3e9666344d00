// The non-blocking stream-frame assembler: frames cut out of bytes however they arrive.
#include "FakeIndicator.h"
#include "link/StreamFrameAssembler.h"

#include <gtest/gtest.h>

#include <random>

namespace korvel::test {
namespace {

using Frames = std::vector<Bytes>;

Frames feedInChunks(StreamFrameAssembler& a, const Bytes& bytes, std::mt19937& random,
                    int address = 1)
{
    Frames out;
    std::uniform_int_distribution<std::size_t> chunk(0, 12);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = std::min(chunk(random), bytes.size() - i);
        a.feed(address, bytes.data() + i, n,
               [&](const std::uint8_t* f) { out.emplace_back(f, f + a.frameLength()); });
        i += n;
    }
    return out;
}

// What a receiver finds that slides a window over the whole stream at once and, after each
// frame, starts afresh behind it.
Frames scan(const Bytes& bytes, int address = 1)
{
    Frames out;
    for (std::size_t i = 0; i + 7 <= bytes.size();) {
        if (isValidStreamFrame(address, 4, &bytes[i])) {
            out.emplace_back(bytes.begin() + long(i), bytes.begin() + long(i) + 7);
            i += 7;
        } else {
            ++i;
        }
    }
    return out;
}

TEST(StreamFrameAssembler, FindsWhatASlidingWindowFindsHoweverTheBytesAreSplit)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> garbage(0, 4);
    Bytes stream{0xFD, 0xFF, 0x00}; // joined in the middle of a frame
    Frames sent;
    for (int i = 0; i < 2000; ++i) {
        for (int g = garbage(random) == 0 ? garbage(random) : 0; g > 0; --g)
            stream.push_back(std::uint8_t(byte(random)));
        Bytes f = FakeIndicator::streamFrame(1, i - 1000, std::uint8_t(i));
        if (i % 97 == 0)
            f[6] ^= 0x20; // damaged on the line
        else
            sent.push_back(f);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    StreamFrameAssembler a(4);
    const Frames found = feedInChunks(a, stream, random);
    EXPECT_EQ(found, scan(stream));
    // Garbage can fake a frame only by chance; nearly every frame sent is found.
    std::size_t matched = 0;
    for (const Bytes& f : sent)
        matched += std::find(found.begin(), found.end(), f) != found.end();
    EXPECT_GE(matched, sent.size() - 20);
    EXPECT_GT(a.skippedBytes(), 0u);
}

TEST(StreamFrameAssembler, KeepsAPartialFrameBetweenFeedsAndForgetsItOnReset)
{
    const Bytes f = FakeIndicator::streamFrame(1, 12345, 0x1F);
    StreamFrameAssembler a(4);
    int frames = 0;
    auto count = [&](const std::uint8_t*) { ++frames; };
    a.feed(1, f.data(), 3, count);
    EXPECT_EQ(a.pending(), 3u);
    a.feed(1, f.data() + 3, 4, count);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(a.pending(), 0u);

    a.feed(1, f.data(), 5, count);
    a.reset();
    a.feed(1, f.data(), 7, count);
    EXPECT_EQ(frames, 2);
}

TEST(StreamFrameAssembler, JudgesFramesAgainstTheAddressInForce)
{
    const Bytes forOne = FakeIndicator::streamFrame(1, 7, 0);
    const Bytes forFive = FakeIndicator::streamFrame(5, 7, 0);
    StreamFrameAssembler a(4);
    Frames found;
    auto keep = [&](const std::uint8_t* f) { found.emplace_back(f, f + 7); };
    a.feed(5, forOne.data(), forOne.size(), keep);
    a.feed(5, forFive.data(), forFive.size(), keep);
    EXPECT_EQ(found, Frames{forFive});
}

} // namespace
} // namespace korvel::test
