#include "content/WavFormat.h"

namespace tobble {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(le16(b, at)) | static_cast<std::uint32_t>(le16(b, at + 2))
                                                         << 16;
}

std::string formatName(std::uint16_t tag) {
    switch (tag) {
    case 1:
        return "PCM";
    case 2:
        return "Microsoft ADPCM";
    case 3:
        return "IEEE float";
    case 6:
        return "A-law";
    case 7:
        return "mu-law";
    case 0x11:
        return "IMA ADPCM";
    case 0x55:
        return "MP3";
    default:
        return "format " + std::to_string(tag);
    }
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
    info.riffBytes = le32(head, 4);

    bool hasData = false;
    bool dataTruncated = false;
    std::uint64_t dataAvailable = 0;
    // Offsets are 64-bit so that chunk sizes near 4 GB cannot wrap around.
    std::uint64_t at = 12;
    while (at + 8 <= head.size() && !(info.hasFormat && hasData)) {
        const std::string_view id = head.substr(static_cast<std::size_t>(at), 4);
        const std::uint32_t size = le32(head, static_cast<std::size_t>(at + 4));
        const std::uint64_t body = at + 8;
        if (id == "fmt " && !info.hasFormat) {
            if (size < 16 || body + 16 > head.size()) {
                info.problem = "the format chunk is cut short";
                return info;
            }
            const auto b = static_cast<std::size_t>(body);
            info.hasFormat = true;
            info.formatChunkBytes = size;
            info.formatTag = le16(head, b);
            info.channels = le16(head, b + 2);
            info.sampleRate = le32(head, b + 4);
            info.blockAlign = le16(head, b + 12);
            info.bitsPerSample = le16(head, b + 14);
            if (info.formatTag == kFormatExtensible && size >= 40 && body + 40 <= head.size())
                info.formatTag = le16(head, b + 24); // first two bytes of the sub-format GUID
        } else if (id == "data" && !hasData) {
            hasData = true;
            info.dataBeforeFormat = !info.hasFormat;
            info.dataBytes = size;
            dataAvailable = fileSize > body ? fileSize - body : 0;
            dataTruncated = size > dataAvailable;
        }
        if (!hasData && (size == 0 || (size & 1u)))
            info.unevenChunkBeforeData = true;
        at = body + size + (size & 1u);
    }

    if (!info.hasFormat) {
        info.problem = "no format chunk";
        return info;
    }
    if (info.formatTag != kFormatPcm) {
        info.problem = formatName(info.formatTag) + " data; only PCM plays";
        return info;
    }
    if (info.bitsPerSample != 8 && info.bitsPerSample != 16) {
        info.problem =
            std::to_string(info.bitsPerSample) + "-bit samples; only 8- and 16-bit PCM play";
        return info;
    }
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
    info.seconds = static_cast<double>(info.dataBytes) /
                   (static_cast<double>(info.sampleRate) * static_cast<double>(info.blockAlign));
    info.playable = true;
    return info;
}

bool hasPlainPcmLayout(const WavFormat& wav) {
    constexpr std::uint64_t kLargest = 64u * 1024u * 1024u;
    return wav.playable && wav.formatChunkBytes == 16 && !wav.unevenChunkBeforeData &&
           !wav.dataBeforeFormat && wav.riffBytes > 0 && wav.riffBytes < kLargest &&
           wav.dataBytes > 0 && wav.dataBytes < kLargest &&
           wav.dataBytes % (wav.bitsPerSample / 8u) == 0 && wav.channels <= 32;
}

} // namespace tobble
