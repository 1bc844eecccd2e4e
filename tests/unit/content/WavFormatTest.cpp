#include <gtest/gtest.h>

#include "Fakes.h"
#include "content/WavFormat.h"

namespace tobble {
namespace {

using testing::chunk, testing::le;

struct Fmt {
    int tag = 1, channels = 1, rate = 22050, bits = 16, block = -1; // -1: a whole sample
    bool extensible = false;
    std::string extensibleGuidTail = std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
};

std::string file(const Fmt& f, const std::string& chunks) {
    const int block = f.block >= 0 ? f.block : f.channels * f.bits / 8;
    std::string format = le(f.extensible ? 0xFFFE : f.tag, 2) + le(f.channels, 2) + le(f.rate, 4) +
                         le(f.rate * block, 4) + le(block, 2) + le(f.bits, 2);
    if (f.extensible)
        format += le(22, 2) + le(f.bits, 2) + le(3, 4) + le(f.tag, 2) + f.extensibleGuidTail;
    const std::string body = "WAVE" + chunk("fmt ", format) + chunks;
    return "RIFF" + le(body.size(), 4) + body;
}

const std::string kData = chunk("data", std::string(88200, '\0')); // 2 s of 16-bit mono

TEST(WavFormat, PlaysEveryEncodingACodecShipsForAndNothingElse) {
    struct Row {
        const char* what;
        std::string bytes;
        std::uint64_t fileSize; // 0: the bytes' own size
        const char* encoding;
        const char* problem; // "" when it plays
    };
    const Row rows[] = {
        {"PCM 16", file({}, kData), 0, "PCM", ""},
        {"PCM 24", file({.bits = 24}, kData), 0, "PCM", ""},
        {"float 64, 8 channels", file({.tag = 3, .channels = 8, .bits = 64}, kData), 0,
         "IEEE float", ""},
        {"mu-law", file({.tag = 7, .bits = 8}, kData), 0, "mu-law", ""},
        {"A-law, extensible", file({.tag = 6, .bits = 8, .extensible = true}, kData), 0, "A-law",
         ""},
        {"IMA ADPCM", file({.tag = 0x11, .channels = 2, .bits = 4, .block = 1024}, kData), 0,
         "IMA ADPCM", ""},
        {"GSM", file({.tag = 0x31, .rate = 8000, .bits = 0, .block = 65}, kData), 0, "GSM 6.10",
         ""},
        {"MP3 after a padded chunk",
         file({.tag = 0x55, .bits = 0, .block = 1}, chunk("LIST", "odd") + kData), 0,
         "MPEG Layer-3", ""},
        {"PCM 12", file({.bits = 12, .block = 2}, kData), 0, "PCM",
         "PCM with 12-bit samples: no codec plays it"},
        {"unknown tag", file({.tag = 0x1234}, kData), 0, "format 0x1234",
         "format 0x1234: no codec plays it"},
        {"not the standard sub-format",
         file({.extensible = true, .extensibleGuidTail = std::string(14, 'g')}, kData), 0,
         "format 0xFFFE", "format 0xFFFE: no codec plays it"},
        {"ADPCM as a sub-format",
         file({.tag = 2, .bits = 4, .block = 256, .extensible = true}, kData), 0, "Microsoft ADPCM",
         "Microsoft ADPCM inside WAVE_FORMAT_EXTENSIBLE: no codec plays it"},
        {"9 channels", file({.channels = 9}, kData), 0, "PCM",
         "PCM with 9 channels: at most 8 play"},
        {"stereo GSM", file({.tag = 0x31, .channels = 2, .bits = 0, .block = 65}, kData), 0,
         "GSM 6.10", "GSM 6.10 with 2 channels: at most 1 play"},
        {"400 kHz", file({.rate = 400000}, kData), 0, "PCM",
         "a rate of 400000 Hz: 1000 to 384000 Hz play"},
        {"PCM block", file({.channels = 2, .block = 3}, kData), 0, "PCM",
         "a block of 3 bytes for 2 channels of 16-bit samples"},
        {"no channels", file({.channels = 0}, kData), 0, "PCM",
         "the format chunk names no channels, no rate or no block size"},
        {"no data", file({}, ""), 0, "PCM", "no data chunk"},
        {"truncated", file({}, kData).substr(0, 1000), 1000, "PCM",
         "truncated: the data chunk announces 88200 bytes but only 956 follow"},
        {"cut in the format", file({}, kData).substr(0, 30), 30, "",
         "the format chunk is cut short"},
        {"not RIFF", "ID3" + std::string(100, 'x'), 0, "", "not a RIFF WAVE file"},
        {"empty", "", 0, "", "empty file"},
    };
    for (const Row& row : rows) {
        const WavFormat w = describeWav(row.bytes, row.fileSize ? row.fileSize : row.bytes.size());
        EXPECT_EQ(w.encoding, row.encoding) << row.what;
        EXPECT_EQ(w.problem, row.problem) << row.what;
        EXPECT_EQ(w.playable, *row.problem == '\0') << row.what;
    }
}

TEST(WavFormat, LengthComesFromWholeSamplesTheFactChunkOrTheByteRate) {
    EXPECT_DOUBLE_EQ(describeWav(file({}, kData), 1u << 20).seconds, 2.0);
    const std::string fact = chunk("fact", le(11025, 4));
    EXPECT_DOUBLE_EQ(
        describeWav(file({.tag = 0x11, .bits = 4, .block = 512}, fact + kData), 1u << 20).seconds,
        0.5);
    // No fact chunk: the byte rate given (22050 * 512 bytes a second).
    EXPECT_NEAR(describeWav(file({.tag = 0x55, .bits = 0, .block = 512}, kData), 1u << 20).seconds,
                88200.0 / (22050 * 512), 1e-9);
    // Cut inside the sub-format: nothing is read from beyond what was given.
    EXPECT_EQ(describeWav(file({.extensible = true}, kData).substr(0, 50), 1000).formatTag, 0xFFFE);
}

} // namespace
} // namespace tobble
