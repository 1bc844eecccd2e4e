#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tobble {

// A plain decimal integer with an optional sign and blanks around it, in -32768..32767.
// Anything else (empty, a fraction, other text, out of range) gives nothing.
std::optional<std::int16_t> parseInt16(const std::u16string& text);

} // namespace tobble
