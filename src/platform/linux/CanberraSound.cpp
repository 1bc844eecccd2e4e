#include "platform/linux/CanberraSound.h"

#include <canberra.h>
#include <filesystem>

namespace tobble {

namespace {

// One id for every sound, so that cancelling it cuts off whatever is playing.
constexpr std::uint32_t kSoundId = 1;

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

} // namespace

CanberraSound::CanberraSound() : defaultSound_(findDefaultSound()) {
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Tobble", CA_PROP_APPLICATION_ID,
                            "org.tobble.Tobble", nullptr);
}

CanberraSound::~CanberraSound() {
    if (context_)
        ca_context_destroy(context_);
}

void CanberraSound::play(const std::string& path) {
    if (!context_)
        return;
    ca_context_cancel(context_, kSoundId);
    // No event id beside the file name: canberra looks an event id up first and would play the
    // theme's sound instead of the file. A missing or undecodable file comes back as an error.
    const int result = ca_context_play(context_, kSoundId, CA_PROP_MEDIA_FILENAME, path.c_str(),
                                       CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL,
                                       "never", nullptr);
    if (result != CA_SUCCESS && result != CA_ERROR_NOTAVAILABLE && result != CA_ERROR_DISABLED)
        playDefaultSound();
}

// Played by file name: asking canberra for the event id instead makes it write a lookup cache
// under HOME, and the program writes no files.
void CanberraSound::playDefaultSound() {
    if (!defaultSound_.empty())
        ca_context_play(context_, kSoundId, CA_PROP_MEDIA_FILENAME, defaultSound_.c_str(),
                        CA_PROP_MEDIA_ROLE, "event", nullptr);
}

} // namespace tobble
