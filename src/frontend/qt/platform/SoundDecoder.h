#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tobble {

// Decodes a sound into float frames, a chunk at a time, through libsndfile. A content sound must
// be a WAV that describeWav says plays: what the rule refuses never reaches the decoder, so the
// program plays the same files on every system.
class SoundDecoder {
public:
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // A content sound. Never blocks: anything but a regular file (a FIFO, a device, a folder) is
    // refused before it is opened for reading.
    static std::unique_ptr<SoundDecoder> openWavFile(const std::string& path);
    // The same from bytes in memory.
    static std::unique_ptr<SoundDecoder> openWavBytes(std::string_view bytes);
    // Any sound file libsndfile reads, without the WAV rule: the sound theme's bell is Ogg.
    static std::unique_ptr<SoundDecoder> openAnyFile(const std::string& path);

    int channels() const { return channels_; }
    int rate() const { return rate_; }

    // Fills out with up to frames frames of channels() floats each; 0 at the end or on an error.
    std::size_t read(float* out, std::size_t frames);

    struct Source; // where the bytes come from: a file or memory

private:
    SoundDecoder() = default;
    static std::unique_ptr<SoundDecoder> open(std::unique_ptr<Source> source);

    std::unique_ptr<Source> source_;
    void* file_ = nullptr; // SNDFILE
    int channels_ = 0;
    int rate_ = 0;
};

} // namespace tobble
