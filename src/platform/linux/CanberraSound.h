#pragma once

#include <memory>
#include <string>
#include <thread>

namespace tobble {

// Plays sound files through libcanberra, one at a time: each new sound cuts off the last. A file
// that cannot be played gives the sound theme's default event sound instead.
//
// The sound server can stall (a stopped or overloaded daemon) and a sound file can block (a FIFO),
// so nothing here runs on the caller's thread: play() hands the path to a worker thread that owns
// the canberra context and returns at once. Only the newest request waits; older ones that have
// not started are dropped, as a new sound would cut them off anyway.
class CanberraSound {
public:
    CanberraSound();
    ~CanberraSound();
    CanberraSound(const CanberraSound&) = delete;
    CanberraSound& operator=(const CanberraSound&) = delete;

    void play(const std::string& path);

    struct Shared; // the request slot, shared with the worker (which may outlive this object)

private:
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

// Whether a libcanberra result means the sound server is gone (and a new connection is due),
// rather than a file that did not play.
bool lostConnection(int canberraResult);

// Whether path names a regular, readable, plain PCM .wav file, read into buffer as far as its
// layout goes. Never blocks: a FIFO or device is refused before it is opened.
bool isPlayableWav(const std::string& path, std::string& buffer);

} // namespace tobble
