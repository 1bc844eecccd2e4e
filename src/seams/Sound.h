#pragma once

#include <string>

namespace tobble {

// Plays the character's sounds. Called on the user-interface thread.
class Sound {
public:
    virtual ~Sound() = default;

    // Starts the file playing and returns at once. A new sound cuts off the one in progress; a
    // path that names no playable file plays the system's default sound instead. Never fails.
    virtual void playSoundAsync(const std::u16string& path) = 0;
};

} // namespace tobble
