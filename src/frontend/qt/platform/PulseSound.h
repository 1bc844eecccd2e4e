#pragma once

#include <memory>
#include <string>
#include <thread>

namespace tobble {

// Plays sound files through the desktop's sound server (PulseAudio's protocol, which PipeWire
// serves too), one at a time: each new sound cuts off the last. A file that cannot be played
// gives the sound theme's bell instead.
//
// The sound server can stall (a stopped or overloaded daemon) and a sound file can block (a FIFO),
// so nothing here runs on the caller's thread: play() hands the path to a worker thread that owns
// the connection, decodes the file a chunk at a time and feeds the server, and returns at once.
// Only the newest request waits; older ones that have not started are dropped, as a new sound
// would cut them off anyway.
class PulseSound {
public:
    PulseSound();
    ~PulseSound();
    PulseSound(const PulseSound&) = delete;
    PulseSound& operator=(const PulseSound&) = delete;

    void play(const std::string& path);

    struct Shared; // the request slot, shared with the worker (which may outlive this object)

private:
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

} // namespace tobble
