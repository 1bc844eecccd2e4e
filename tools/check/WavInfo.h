#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tobble::check {

// What a .wav file holds, as far as the sound service cares: it plays uncompressed PCM with 8-
// or 16-bit samples and falls back to the bell for everything else.
struct WavInfo {
    bool playable = false;
    std::string problem; // empty when playable

    bool hasFormat = false;
    std::uint16_t formatTag = 0; // 1 is PCM; WAVE_FORMAT_EXTENSIBLE is resolved to its sub-format
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataBytes = 0;
    double seconds = 0.0;
};

// Looks at the start of a file (head) whose full size is fileSize. Only the RIFF chunk headers
// are read; head may be shorter than the file.
WavInfo describeWav(std::string_view head, std::uint64_t fileSize);

// Reads at most the first megabyte: the format chunk sits at the start of every sane file, and a
// sound file can be large.
WavInfo describeWavFile(const std::filesystem::path& file);

} // namespace tobble::check
