#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tobble {

// Blanks are spaces and tabs; a line break is not a blank.
inline bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// Plain decimal: no sign, no leading zeros, no blank.
std::u16string decimalText(unsigned value);

// A plain decimal integer with an optional sign and blanks around it. Anything else (empty, a
// fraction, other text) gives nothing. Magnitudes beyond a billion are held at a billion, so a
// caller can still tell "too large" from "not a number".
std::optional<std::int32_t> parseWholeNumber(std::u16string_view text);

// A whole number in -32768..32767; anything else gives nothing.
std::optional<std::int16_t> parseInt16(std::u16string_view text);

} // namespace tobble
