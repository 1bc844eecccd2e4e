#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tobble {

// What a .wav file holds, as far as playing it goes: uncompressed PCM with 8- or 16-bit samples
// plays; everything else gives the default sound instead. Read by the Linux sound layer before
// it hands a file to the sound library, and by the content-pack checker.
struct WavFormat {
    bool playable = false;
    std::string problem; // empty when playable

    bool hasFormat = false;
    std::uint16_t formatTag = 0; // 1 is PCM; WAVE_FORMAT_EXTENSIBLE is resolved to its sub-format
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataBytes = 0;
    double seconds = 0.0;

    // The layout details that stricter readers care about.
    std::uint32_t riffBytes = 0;        // the size the RIFF header announces
    std::uint32_t formatChunkBytes = 0; // 16 for a plain PCM format chunk
    bool unevenChunkBeforeData = false; // an empty or odd-sized (padded) chunk precedes the data
    bool dataBeforeFormat = false;
};

// How much of a file's start describeWav needs: the format chunk sits at the start of every sane
// file, and a sound file can be large.
constexpr std::size_t kWavHeadBytes = 1024 * 1024;

// Playable, and in the plain layout that strict readers such as libcanberra's expect: a 16-byte
// format chunk first, no empty or padded chunk before the data, whole samples, under 64 MB.
// What libcanberra refuses it retries as Ogg Vorbis, and that failure leaks the open file.
bool hasPlainPcmLayout(const WavFormat& wav);

// Looks at the start of a file (head) whose full size is fileSize. Only the RIFF chunk headers
// are read; head may be shorter than the file.
WavFormat describeWav(std::string_view head, std::uint64_t fileSize);

} // namespace tobble
