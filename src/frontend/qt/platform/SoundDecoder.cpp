#include "frontend/qt/platform/SoundDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "content/WavFormat.h"

namespace tobble {

// A file descriptor read with pread, or bytes in memory, seen by libsndfile as a file.
struct SoundDecoder::Source {
    int fd = -1;
    std::string_view bytes;
    sf_count_t size = 0;
    sf_count_t at = 0;

    ~Source() {
        if (fd >= 0)
            ::close(fd);
    }

    std::size_t readAt(void* out, std::size_t count, sf_count_t offset) const {
        if (offset < 0 || offset >= size)
            return 0;
        count = static_cast<std::size_t>(std::min<sf_count_t>(size - offset, count));
        if (fd < 0) {
            std::memcpy(out, bytes.data() + offset, count);
            return count;
        }
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::pread(fd, static_cast<char*>(out) + got, count - got,
                                      static_cast<off_t>(offset + got));
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }
};

namespace {

using Source = SoundDecoder::Source;

sf_count_t ioLength(void* user) {
    return static_cast<Source*>(user)->size;
}

sf_count_t ioSeek(sf_count_t offset, int whence, void* user) {
    auto& s = *static_cast<Source*>(user);
    const sf_count_t base = whence == SEEK_CUR ? s.at : whence == SEEK_END ? s.size : 0;
    if (offset < -base || offset > s.size - base + (1 << 30))
        return -1;
    s.at = base + offset;
    return s.at;
}

sf_count_t ioRead(void* out, sf_count_t count, void* user) {
    auto& s = *static_cast<Source*>(user);
    if (count <= 0)
        return 0;
    const std::size_t got = s.readAt(out, static_cast<std::size_t>(count), s.at);
    s.at += static_cast<sf_count_t>(got);
    return static_cast<sf_count_t>(got);
}

sf_count_t ioWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t ioTell(void* user) {
    return static_cast<Source*>(user)->at;
}

// The open does not wait for a writer, in case the name is swapped for a FIFO after the look.
std::unique_ptr<Source> regularFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    auto source = std::make_unique<Source>();
    source->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // The name may have been replaced between the two looks: trust only the open file.
    if (source->fd < 0 || ::fstat(source->fd, &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    source->size = info.st_size;
    return source;
}

std::unique_ptr<Source> playableWav(std::unique_ptr<Source> source) {
    if (!source)
        return nullptr;
    std::string head(static_cast<std::size_t>(std::min<sf_count_t>(source->size, kWavHeadBytes)),
                     '\0');
    head.resize(source->readAt(head.data(), head.size(), 0));
    if (!describeWav(head, static_cast<std::uint64_t>(source->size)).playable)
        return nullptr;
    return source;
}

} // namespace

SoundDecoder::~SoundDecoder() {
    if (file_)
        sf_close(static_cast<SNDFILE*>(file_));
}

std::unique_ptr<SoundDecoder> SoundDecoder::openWavFile(const std::string& path) {
    return open(playableWav(regularFile(path)));
}

std::unique_ptr<SoundDecoder> SoundDecoder::openWavBytes(std::string_view bytes) {
    auto source = std::make_unique<Source>();
    source->bytes = bytes;
    source->size = static_cast<sf_count_t>(bytes.size());
    return open(playableWav(std::move(source)));
}

std::unique_ptr<SoundDecoder> SoundDecoder::openAnyFile(const std::string& path) {
    return open(regularFile(path));
}

std::unique_ptr<SoundDecoder> SoundDecoder::open(std::unique_ptr<Source> source) {
    if (!source)
        return nullptr;
    static SF_VIRTUAL_IO io{ioLength, ioSeek, ioRead, ioWrite, ioTell};
    SF_INFO info{};
    std::unique_ptr<SoundDecoder> decoder(new SoundDecoder);
    decoder->source_ = std::move(source);
    decoder->file_ = sf_open_virtual(&io, SFM_READ, &info, decoder->source_.get());
    // The sound server takes at most 32 channels and 384 kHz.
    if (!decoder->file_ || info.channels < 1 || info.channels > 32 || info.samplerate < 1 ||
        info.samplerate > 384000)
        return nullptr;
    decoder->channels_ = info.channels;
    decoder->rate_ = info.samplerate;
    return decoder;
}

std::size_t SoundDecoder::read(float* out, std::size_t frames) {
    const sf_count_t got =
        sf_readf_float(static_cast<SNDFILE*>(file_), out, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

} // namespace tobble
