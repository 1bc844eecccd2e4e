#include "platform/linux/CanberraSound.h"

#include <canberra.h>

namespace tobble {

namespace {
// One id for every sound, so that cancelling it cuts off whatever is playing.
constexpr std::uint32_t kSoundId = 1;
} // namespace

CanberraSound::CanberraSound() {
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

void CanberraSound::playDefaultSound() {
    for (const char* event : {"bell", "dialog-error"}) {
        if (ca_context_play(context_, kSoundId, CA_PROP_EVENT_ID, event, CA_PROP_MEDIA_ROLE,
                            "event", nullptr) == CA_SUCCESS)
            return;
    }
}

} // namespace tobble
