#pragma once

#include <string>

struct ca_context;

namespace tobble {

// Plays sound files through libcanberra, one at a time: each new sound cuts off the last. A file
// that cannot be played gives the sound theme's default event sound instead.
class CanberraSound {
public:
    CanberraSound();
    ~CanberraSound();
    CanberraSound(const CanberraSound&) = delete;
    CanberraSound& operator=(const CanberraSound&) = delete;

    void play(const std::string& path);

private:
    void playDefaultSound();

    std::string defaultSound_;
    ca_context* context_ = nullptr;
};

} // namespace tobble
