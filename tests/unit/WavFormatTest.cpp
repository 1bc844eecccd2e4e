#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/WavFormat.h"

namespace tobble::testing {
namespace {

std::string le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + le(static_cast<std::uint32_t>(body.size()), 4) + body +
           (body.size() % 2 ? std::string(1, '\0') : "");
}

// A format chunk body: PCM (tag 1) or the extensible form naming its sub-format.
std::string format(std::uint16_t tag, std::uint16_t bits, std::uint16_t subFormat = 0) {
    std::string body = le(tag, 2) + le(1, 2) + le(22050, 4) + le(22050 * bits / 8, 4) +
                       le(bits / 8, 2) + le(bits, 2);
    if (subFormat)
        body += le(22, 2) + le(bits, 2) + le(4, 4) + le(subFormat, 2) + std::string(14, 'g');
    return body;
}

std::string riff(const std::string& chunks) {
    return "RIFF" + le(static_cast<std::uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}

WavFormat describe(const std::string& file) {
    return describeWav(file, file.size());
}

TEST(WavFormat, PlainPcmPlaysAndSuitsStrictReaders) {
    const WavFormat wav = describe(riff(chunk("fmt ", format(1, 16)) + chunk("data", "abcd")));
    EXPECT_TRUE(wav.playable) << wav.problem;
    EXPECT_TRUE(hasPlainPcmLayout(wav));
    EXPECT_EQ(wav.dataBytes, 4u);
}

TEST(WavFormat, ExtensiblePcmIsPcmButNotThePlainLayout) {
    const WavFormat wav =
        describe(riff(chunk("fmt ", format(0xFFFE, 16, 1)) + chunk("data", "abcd")));
    EXPECT_TRUE(wav.playable) << wav.problem;
    EXPECT_FALSE(hasPlainPcmLayout(wav)) << "a 40-byte format chunk";

    // Cut inside the sub-format: its tag is not read from beyond what was given.
    const std::string whole = riff(chunk("fmt ", format(0xFFFE, 16, 1)));
    EXPECT_EQ(describeWav(whole.substr(0, 20 + 30), 1000).formatTag, 0xFFFE);
    EXPECT_EQ(describeWav(whole, 1000).problem, "no data chunk");
}

TEST(WavFormat, AFormatChunkEndingTheFileIsWholeAndAPaddedChunkIsNoted) {
    EXPECT_EQ(describe(riff(chunk("fmt ", format(1, 16)))).problem, "no data chunk");
    const WavFormat padded =
        describe(riff(chunk("fmt ", format(1, 8)) + chunk("LIST", "odd") + chunk("data", "abcd")));
    EXPECT_TRUE(padded.playable) << padded.problem;
    EXPECT_TRUE(padded.unevenChunkBeforeData);
    EXPECT_FALSE(hasPlainPcmLayout(padded));
}

} // namespace
} // namespace tobble::testing
