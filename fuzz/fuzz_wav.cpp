// The WAV header reader (the sound layer's check before playing, and tobble-check's) on arbitrary
// bytes, with a file size that may differ from what was read (a header read from a longer, or
// truncated, file).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/WavFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    // The first four bytes say how much larger than the head the "file" is.
    const std::uint32_t extra =
        data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    const std::string_view head(reinterpret_cast<const char*>(data + 4), size - 4);
    const tobble::WavFormat info = tobble::describeWav(head, head.size() + extra);
    if (info.playable != info.problem.empty() || (info.playable && !info.wellFormed))
        std::abort();
    if (info.wellFormed &&
        (info.channels == 0 || info.sampleRate == 0 || info.blockAlign == 0 ||
         !(info.seconds >= 0) || info.formatChunk.size() < 16 || info.encoding.empty()))
        std::abort();
    if (info.playable && (info.channels > 8 || info.sampleRate > 384000))
        std::abort();
    return 0;
}
