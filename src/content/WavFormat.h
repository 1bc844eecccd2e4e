#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tobble {

// What a .wav file holds, and whether it plays: every encoding Windows ships a codec for plays
// (PCM, IEEE float, mu-law, A-law, IMA and Microsoft ADPCM, GSM 6.10, MPEG Layer-3), with sane
// fields; anything else gives the default sound instead. One rule for the Linux sound layer, the
// Windows program and the content-pack checker.
struct WavFormat {
    bool playable = false;
    std::string problem; // empty when playable

    // A RIFF WAVE with a format chunk naming channels, rate and block size, and a data chunk the
    // file holds whole: only the encoding is left to judge. Windows asks its codecs about that.
    bool wellFormed = false;

    bool hasFormat = false;
    std::uint16_t formatTag = 0; // WAVE_FORMAT_EXTENSIBLE is resolved to its sub-format
    bool extensible = false;
    std::string encoding; // "PCM", "IMA ADPCM", ... or "format 0x1234"
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0; // 0 for GSM and MP3, which have no sample size
    std::uint64_t dataBytes = 0;
    double seconds = 0.0;

    // The format chunk as the file holds it (codecs read their own fields past the first 16
    // bytes), as far as it was read.
    std::string formatChunk;
};

// How much of a file's start describeWav needs: the format chunk sits at the start of every sane
// file, and a sound file can be large.
constexpr std::size_t kWavHeadBytes = 1024 * 1024;

// Looks at the start of a file (head) whose full size is fileSize. Only the RIFF chunk headers
// are read; head may be shorter than the file.
WavFormat describeWav(std::string_view head, std::uint64_t fileSize);

} // namespace tobble
