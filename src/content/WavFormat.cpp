#include "content/WavFormat.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace tobble {
namespace {

constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kLowestRate = 1000;
constexpr std::uint32_t kHighestRate = 384000; // what the sound servers take
constexpr std::size_t kFormatChunkKept = 4096;

// The encodings a codec ships for on Windows, and the fields each codec takes.
struct Encoding {
    std::uint16_t tag;
    const char* name;
    std::initializer_list<int> bits; // empty: any (the codec keeps no sample size)
    std::uint16_t maxChannels;
    bool wholeSamples; // a block is one sample of each channel, as for PCM
    bool extensible;   // also taken as the sub-format of WAVE_FORMAT_EXTENSIBLE
};

constexpr Encoding kEncodings[] = {
    {1, "PCM", {8, 16, 24, 32}, 8, true, true}, {3, "IEEE float", {32, 64}, 8, true, true},
    {7, "mu-law", {8}, 2, true, true},          {6, "A-law", {8}, 2, true, true},
    {0x11, "IMA ADPCM", {4}, 2, false, false},  {2, "Microsoft ADPCM", {4}, 2, false, false},
    {0x31, "GSM 6.10", {}, 1, false, false},    {0x55, "MPEG Layer-3", {}, 2, false, false},
};

// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE past its format tag:
// {tag-0000-0010-8000-00AA00389B71}.
constexpr std::string_view kSubFormatTail{"\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14};

std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(le16(b, at)) | static_cast<std::uint32_t>(le16(b, at + 2))
                                                         << 16;
}

const Encoding* findEncoding(std::uint16_t tag) {
    const auto* found = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                     [&](const Encoding& e) { return e.tag == tag; });
    return found == std::end(kEncodings) ? nullptr : found;
}

std::string tagName(std::uint16_t tag) {
    if (const Encoding* e = findEncoding(tag))
        return e->name;
    char text[32];
    std::snprintf(text, sizeof text, "format 0x%04X", tag);
    return text;
}

// Why the encoding does not play with these fields; empty when it does.
std::string encodingProblem(const WavFormat& w) {
    const Encoding* e = findEncoding(w.formatTag);
    if (!e)
        return w.encoding + ": no codec plays it";
    if (w.extensible && !e->extensible)
        return w.encoding + " inside WAVE_FORMAT_EXTENSIBLE: no codec plays it";
    if (e->bits.size() &&
        std::find(e->bits.begin(), e->bits.end(), w.bitsPerSample) == e->bits.end())
        return w.encoding + " with " + std::to_string(w.bitsPerSample) +
               "-bit samples: no codec plays it";
    if (w.channels > e->maxChannels)
        return w.encoding + " with " + std::to_string(w.channels) + " channels: at most " +
               std::to_string(e->maxChannels) + " play";
    if (w.sampleRate < kLowestRate || w.sampleRate > kHighestRate)
        return "a rate of " + std::to_string(w.sampleRate) + " Hz: " + std::to_string(kLowestRate) +
               " to " + std::to_string(kHighestRate) + " Hz play";
    if (e->wholeSamples && w.blockAlign != w.channels * w.bitsPerSample / 8)
        return "a block of " + std::to_string(w.blockAlign) + " bytes for " +
               std::to_string(w.channels) + " channels of " + std::to_string(w.bitsPerSample) +
               "-bit samples";
    return {};
}

double lengthInSeconds(const WavFormat& w, std::uint64_t factFrames, bool hasFact) {
    const Encoding* e = findEncoding(w.formatTag);
    if (e && e->wholeSamples)
        return static_cast<double>(w.dataBytes / w.blockAlign) / w.sampleRate;
    if (hasFact)
        return static_cast<double>(factFrames) / w.sampleRate;
    return w.bytesPerSecond ? static_cast<double>(w.dataBytes) / w.bytesPerSecond : 0.0;
}

} // namespace

WavFormat describeWav(std::string_view head, std::uint64_t fileSize) {
    WavFormat info;
    if (fileSize == 0) {
        info.problem = "empty file";
        return info;
    }
    if (head.size() < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "WAVE") {
        info.problem = "not a RIFF WAVE file";
        return info;
    }

    bool hasData = false;
    bool dataTruncated = false;
    bool hasFact = false;
    std::uint64_t factFrames = 0;
    std::uint64_t dataAvailable = 0;
    // Offsets are 64-bit so that chunk sizes near 4 GB cannot wrap around.
    std::uint64_t at = 12;
    while (at + 8 <= head.size() && !(info.hasFormat && hasData)) {
        const std::string_view id = head.substr(static_cast<std::size_t>(at), 4);
        const std::uint32_t size = le32(head, static_cast<std::size_t>(at + 4));
        const std::uint64_t body = at + 8;
        const auto b = static_cast<std::size_t>(body);
        if (id == "fmt " && !info.hasFormat) {
            if (size < 16 || body + 16 > head.size()) {
                info.problem = "the format chunk is cut short";
                return info;
            }
            info.hasFormat = true;
            info.formatChunk =
                head.substr(b, std::min<std::size_t>({size, kFormatChunkKept, head.size() - b}));
            info.formatTag = le16(head, b);
            info.channels = le16(head, b + 2);
            info.sampleRate = le32(head, b + 4);
            info.bytesPerSecond = le32(head, b + 8);
            info.blockAlign = le16(head, b + 12);
            info.bitsPerSample = le16(head, b + 14);
            if (info.formatTag == kFormatExtensible && size >= 40 && body + 40 <= head.size() &&
                head.substr(b + 26, kSubFormatTail.size()) == kSubFormatTail) {
                info.formatTag = le16(head, b + 24);
                info.extensible = true;
            }
        } else if (id == "fact" && !hasFact && size >= 4 && body + 4 <= head.size()) {
            hasFact = true;
            factFrames = le32(head, b);
        } else if (id == "data" && !hasData) {
            hasData = true;
            info.dataBytes = size;
            dataAvailable = fileSize > body ? fileSize - body : 0;
            dataTruncated = size > dataAvailable;
        }
        at = body + size + (size & 1u);
    }

    if (!info.hasFormat) {
        info.problem = "no format chunk";
        return info;
    }
    info.encoding = tagName(info.formatTag);
    if (info.channels == 0 || info.sampleRate == 0 || info.blockAlign == 0) {
        info.problem = "the format chunk names no channels, no rate or no block size";
        return info;
    }
    if (!hasData) {
        info.problem = "no data chunk";
        return info;
    }
    if (dataTruncated) {
        info.problem = "truncated: the data chunk announces " + std::to_string(info.dataBytes) +
                       " bytes but only " + std::to_string(dataAvailable) + " follow";
        return info;
    }
    info.wellFormed = true;
    info.seconds = lengthInSeconds(info, factFrames, hasFact);
    info.problem = encodingProblem(info);
    info.playable = info.problem.empty();
    return info;
}

} // namespace tobble
