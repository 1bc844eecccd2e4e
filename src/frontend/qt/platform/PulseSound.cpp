#include "frontend/qt/platform/PulseSound.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>

#include "frontend/qt/platform/SoundDecoder.h"

namespace tobble {

struct PulseSound::Shared {
    std::mutex mutex;
    std::condition_variable finished; // the worker has let go of the server
    std::optional<std::string> request;
    pa_mainloop* mainloop = nullptr; // woken for each request; set while the worker runs it
    bool stopping = false;
    bool done = false;
};

namespace {

// How long the owner waits for the worker at exit. Nothing in the worker waits on the server,
// but the program must end even if something does.
constexpr auto kShutdownWait = std::chrono::milliseconds(300);

// The server's buffer ahead of the sink: short, so that a sound starts at once and a new one cuts
// it off at once; long enough that a busy machine does not starve it.
constexpr pa_usec_t kTargetLatency = 50'000;
constexpr pa_usec_t kRefill = 10'000;

// Decoded per write to the server: the file is read a chunk at a time, never whole.
constexpr std::size_t kChunkFrames = 4096;

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

bool ended(pa_context_state_t state) {
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

bool ended(pa_stream_state_t state) {
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

// Lives on the worker thread only: the one place that talks to the server. It never waits for
// an answer: the worker's main loop brings each one, and service() moves on from there.
class Player {
public:
    explicit Player(pa_mainloop* loop) : loop_(loop), defaultSound_(findDefaultSound()) {}
    ~Player() {
        dropStream();
        dropContext();
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Connecting early spares the greeting the connection time.
    void warmUp() { connect(); }

    void play(const std::string& path) {
        dropStream();
        pending_ = SoundDecoder::openWavFile(path);
        if (!pending_ && !defaultSound_.empty())
            pending_ = SoundDecoder::openAnyFile(defaultSound_);
        if (pending_)
            connect();
        if (!context_)
            pending_.reset();
        service();
    }

    // After each turn of the main loop: follows the connection and the stream, and feeds it.
    void service() {
        if (context_ && ended(pa_context_get_state(context_))) {
            // The server went away: the next sound connects anew.
            dropStream();
            dropContext();
            pending_.reset();
        }
        if (!context_ || pa_context_get_state(context_) != PA_CONTEXT_READY)
            return;
        if (pending_)
            startStream();
        if (!stream_)
            return;
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (ended(state) || drained_)
            dropStream();
        else if (state == PA_STREAM_READY)
            feed();
    }

private:
    void connect() {
        if (context_)
            return;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Tobble");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "tobble");
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), "Tobble", props);
        pa_proplist_free(props);
        // No server of its own: sound goes to the desktop's, or nowhere.
        if (context_ && pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            dropContext();
    }

    void startStream() {
        decoder_ = std::move(pending_);
        pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(decoder_->rate()),
                              static_cast<std::uint8_t>(decoder_->channels())};
        // The WAV files' own order of speakers; the server mixes them down to what it has.
        pa_channel_map map;
        pa_channel_map_init_extend(&map, format.channels, PA_CHANNEL_MAP_WAVEEX);
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
        stream_ = pa_stream_new_with_proplist(context_, "Tobble", &format, &map, props);
        pa_proplist_free(props);
        const pa_buffer_attr attr{
            static_cast<std::uint32_t>(-1),
            static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatency, &format)),
            static_cast<std::uint32_t>(-1),
            static_cast<std::uint32_t>(pa_usec_to_bytes(kRefill, &format)),
            static_cast<std::uint32_t>(-1)};
        if (!stream_ || pa_stream_connect_playback(stream_, nullptr, &attr,
                                                   PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
            dropStream();
    }

    void feed() {
        const std::size_t frameBytes = pa_frame_size(pa_stream_get_sample_spec(stream_));
        std::size_t writable = pa_stream_writable_size(stream_);
        while (decoder_ && writable >= frameBytes) {
            void* buffer = nullptr;
            std::size_t bytes = std::min(writable, kChunkFrames * frameBytes);
            if (pa_stream_begin_write(stream_, &buffer, &bytes) < 0 || bytes < frameBytes)
                return;
            const std::size_t frames =
                decoder_->read(static_cast<float*>(buffer), bytes / frameBytes);
            if (frames == 0) {
                pa_stream_cancel_write(stream_);
                finish();
                return;
            }
            pa_stream_write(stream_, buffer, frames * frameBytes, nullptr, 0, PA_SEEK_RELATIVE);
            writable -= std::min(writable, frames * frameBytes);
        }
    }

    // The file is all sent: once the server has played it out, the stream goes, so that an idle
    // program keeps no stream open.
    void finish() {
        decoder_.reset();
        drain_ = pa_stream_drain(
            stream_,
            [](pa_stream*, int, void* self) { static_cast<Player*>(self)->drained_ = true; }, this);
    }

    void dropStream() {
        if (drain_) {
            pa_operation_cancel(drain_);
            pa_operation_unref(drain_);
            drain_ = nullptr;
        }
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        decoder_.reset();
        drained_ = false;
    }

    void dropContext() {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
    }

    pa_mainloop* loop_;
    std::string defaultSound_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    bool drained_ = false;
    std::unique_ptr<SoundDecoder> pending_; // decoded once the connection is ready
    std::unique_ptr<SoundDecoder> decoder_; // feeding the stream
};

void runWorker(const std::shared_ptr<PulseSound::Shared>& shared) {
    pthread_setname_np(pthread_self(), "tobble-sound");
    pa_mainloop* loop = pa_mainloop_new();
    if (loop) {
        {
            std::lock_guard lock(shared->mutex);
            shared->mainloop = loop;
        }
        Player player(loop);
        player.warmUp();
        for (;;) {
            std::optional<std::string> path;
            {
                std::lock_guard lock(shared->mutex);
                if (shared->stopping)
                    break;
                path.swap(shared->request);
            }
            if (path)
                player.play(*path);
            // Waits for the server, the stream or a new request (pa_mainloop_wakeup).
            if (pa_mainloop_iterate(loop, 1, nullptr) < 0)
                break;
            player.service();
        }
        std::lock_guard lock(shared->mutex);
        shared->mainloop = nullptr;
    }
    // The player is gone (it was declared inside the block) before the loop it used is freed.
    if (loop)
        pa_mainloop_free(loop);
    std::lock_guard lock(shared->mutex);
    shared->done = true;
    shared->finished.notify_all();
}

} // namespace

PulseSound::PulseSound() : shared_(std::make_shared<Shared>()) {
    worker_ = std::thread([shared = shared_] { runWorker(shared); });
}

PulseSound::~PulseSound() {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    if (shared_->mainloop)
        pa_mainloop_wakeup(shared_->mainloop);
    const bool done =
        shared_->finished.wait_for(lock, kShutdownWait, [&] { return shared_->done; });
    lock.unlock();
    // A worker stuck anyway keeps its own reference to the shared state and is left behind; the
    // process ends without it.
    if (done)
        worker_.join();
    else
        worker_.detach();
}

void PulseSound::play(const std::string& path) {
    std::lock_guard lock(shared_->mutex);
    shared_->request = path;
    if (shared_->mainloop)
        pa_mainloop_wakeup(shared_->mainloop);
}

} // namespace tobble
