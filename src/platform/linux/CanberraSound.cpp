#include "platform/linux/CanberraSound.h"

#include <algorithm>
#include <canberra.h>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "content/WavFormat.h"

namespace tobble {

struct CanberraSound::Shared {
    std::mutex mutex;
    std::condition_variable wake;     // a request came, or the owner is going away
    std::condition_variable finished; // the worker has let go of canberra
    std::optional<std::string> request;
    bool stopping = false;
    bool done = false;
};

namespace {

using Clock = std::chrono::steady_clock;

// One id for every sound, so that cancelling it cuts off whatever is playing.
constexpr std::uint32_t kSoundId = 1;

// A context that keeps failing is as good as disconnected: after this many failed plays in a row
// it is thrown away and a new one is made.
constexpr int kFailuresBeforeReconnect = 3;

// While no server answers, a new connection is tried at most this often, so that a stream of
// sounds does not turn into a stream of connection attempts.
constexpr auto kReconnectInterval = std::chrono::milliseconds(1000);

// How long the owner waits for the worker at exit. A stalled server may hold the worker inside
// canberra indefinitely; the program must still end.
constexpr auto kShutdownWait = std::chrono::milliseconds(300);

// The desktop's default sound: the sound theme's bell, or its error sound where it has no bell.
std::string findDefaultSound() {
    for (const char* share : {"/usr/local/share", "/usr/share"}) {
        for (const char* name : {"bell", "dialog-error"}) {
            for (const char* extension : {".oga", ".ogg", ".wav"}) {
                const std::string path =
                    std::string(share) + "/sounds/freedesktop/stereo/" + name + extension;
                std::error_code error;
                if (std::filesystem::is_regular_file(path, error))
                    return path;
            }
        }
    }
    return {};
}

// Lives on the worker thread only: the one place that talks to canberra.
class Player {
public:
    Player() : defaultSound_(findDefaultSound()) {}
    ~Player() { dropContext(); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Connecting early spares the greeting the connection time.
    void warmUp() { haveContext(); }

    void play(const std::string& path) {
        const bool fileOk = isPlayableWav(path, buffer_);
        if (!haveContext())
            return;
        int result = playOnce(path, fileOk);
        // The first sound after the server came back finds the old connection dead: one new
        // connection at once, so that this sound is not lost too.
        if (lostConnection(result)) {
            dropContext();
            if (!haveContext())
                return;
            result = playOnce(path, fileOk);
        }
        if (result == CA_SUCCESS || result == CA_ERROR_DISABLED) {
            failures_ = 0;
            // The server answers: should it go away, a new connection is due at once, however
            // recently this one was made. A server restarted quickly must not cost a sound.
            lastAttempt_.reset();
            return;
        }
        if (lostConnection(result) || ++failures_ >= kFailuresBeforeReconnect)
            dropContext();
    }

private:
    // Cuts off the sound playing and starts the file, or the default sound if the file cannot
    // be played.
    int playOnce(const std::string& path, bool fileOk) {
        ca_context_cancel(context_, kSoundId);
        const int result = fileOk ? playFile(path) : playDefaultSound();
        if (fileOk && result != CA_SUCCESS && result != CA_ERROR_DISABLED &&
            !lostConnection(result))
            return playDefaultSound();
        return result;
    }

    int playFile(const std::string& path) {
        // No event id beside the file name: canberra looks an event id up first and would play
        // the theme's sound instead of the file.
        return ca_context_play(context_, kSoundId, CA_PROP_MEDIA_FILENAME, path.c_str(),
                               CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL, "never",
                               nullptr);
    }

    // Played by file name: asking canberra for the event id instead makes it write a lookup cache
    // under HOME, and the program writes no files.
    int playDefaultSound() {
        if (defaultSound_.empty())
            return CA_SUCCESS; // nothing to fall back on is not a fault of the connection
        return playFile(defaultSound_);
    }

    bool haveContext() {
        if (context_)
            return true;
        const auto now = Clock::now();
        if (lastAttempt_ && now - *lastAttempt_ < kReconnectInterval)
            return false;
        lastAttempt_ = now;
        failures_ = 0;
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            return false;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Tobble",
                                CA_PROP_APPLICATION_ID, "tobble", nullptr);
        if (ca_context_open(context_) != CA_SUCCESS) {
            dropContext();
            return false;
        }
        return true;
    }

    void dropContext() {
        if (context_)
            ca_context_destroy(context_);
        context_ = nullptr;
    }

    std::string defaultSound_;
    std::string buffer_; // the file head being checked, kept to spare an allocation per sound
    ca_context* context_ = nullptr;
    std::optional<Clock::time_point> lastAttempt_;
    int failures_ = 0;
};

void runWorker(const std::shared_ptr<CanberraSound::Shared>& shared) {
    pthread_setname_np(pthread_self(), "tobble-sound");
    {
        Player player;
        player.warmUp();
        for (;;) {
            std::string path;
            {
                std::unique_lock lock(shared->mutex);
                shared->wake.wait(lock, [&] { return shared->stopping || shared->request; });
                if (shared->stopping)
                    break;
                path = std::move(*shared->request);
                shared->request.reset();
            }
            player.play(path);
        }
    }
    std::lock_guard lock(shared->mutex);
    shared->done = true;
    shared->finished.notify_all();
}

} // namespace

bool lostConnection(int result) {
    return result == CA_ERROR_DISCONNECTED || result == CA_ERROR_STATE ||
           result == CA_ERROR_NOTAVAILABLE || result == CA_ERROR_DESTROYED;
}

// The open itself does not wait for a writer, in case the name is swapped for a FIFO meanwhile.
bool isPlayableWav(const std::string& path, std::string& buffer) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The name may have been replaced between the two looks: trust only the open file.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kWavHeadBytes)));
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n =
            ::pread(fd, buffer.data() + got, buffer.size() - got, static_cast<off_t>(got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return hasPlainPcmLayout(describeWav(std::string_view(buffer.data(), got), fileSize));
}

CanberraSound::CanberraSound() : shared_(std::make_shared<Shared>()) {
    worker_ = std::thread([shared = shared_] { runWorker(shared); });
}

CanberraSound::~CanberraSound() {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->wake.notify_all();
    const bool done =
        shared_->finished.wait_for(lock, kShutdownWait, [&] { return shared_->done; });
    lock.unlock();
    // A worker stuck on a stalled server keeps its own reference to the shared state and is left
    // behind; the process ends without it.
    if (done)
        worker_.join();
    else
        worker_.detach();
}

void CanberraSound::play(const std::string& path) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->request = path;
    }
    shared_->wake.notify_one();
}

} // namespace tobble
