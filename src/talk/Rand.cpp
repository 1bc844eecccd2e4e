#include "app/Form1.h"

#include <cmath>

namespace tobble {

std::int16_t Form1::RAND(std::int16_t min, std::int16_t max) {
    rnd_.randomize(static_cast<float>(platform_.timeOfDay()));
    const double r = rnd_.next();
    // The span wraps like the 16-bit arithmetic it is; RAND(1, 0) has span 0 and gives 1.
    const auto span = static_cast<std::int16_t>(max - min + 1);
    const auto value = static_cast<std::int32_t>(std::floor(r * span)) + min;
    return static_cast<std::int16_t>(value);
}

} // namespace tobble
