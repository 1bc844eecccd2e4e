#pragma once

#include <cstdint>

namespace tobble {

// A uniform generator in [0, 1). Re-seeding mixes the seed into the state instead of replacing
// it, so two seeds from the same clock tick still give different draws.
class Rnd {
public:
    void randomize(float seed);
    double next();

private:
    std::uint64_t state_ = 0x853c49e6748fea9bULL;
};

} // namespace tobble
