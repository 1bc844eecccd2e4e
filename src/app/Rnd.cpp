#include "app/Rnd.h"

#include <bit>

namespace tobble {

namespace {
constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ULL;
}

void Rnd::randomize(float seed) {
    state_ ^= static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(seed)) * kGolden;
}

double Rnd::next() {
    // splitmix64
    state_ += kGolden;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

} // namespace tobble
