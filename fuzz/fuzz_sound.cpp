// The sound worker's decoder on arbitrary bytes: the WAV rule, then libsndfile reading every
// frame, as the worker feeds the sound server a chunk at a time.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "frontend/qt/platform/SoundDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto decoder = tobble::SoundDecoder::openWavBytes(bytes);
    if (!decoder)
        return 0;
    if (decoder->channels() < 1 || decoder->channels() > 32 || decoder->rate() < 1)
        std::abort();
    constexpr std::size_t kChunk = 1024;
    std::vector<float> frames(kChunk * static_cast<std::size_t>(decoder->channels()));
    // A bound on the frames, so that a file claiming hours of sound cannot stall the run.
    for (std::size_t total = 0; total < (1u << 22);) {
        const std::size_t got = decoder->read(frames.data(), kChunk);
        if (got == 0)
            break;
        if (got > kChunk)
            std::abort();
        total += got;
    }
    return 0;
}
