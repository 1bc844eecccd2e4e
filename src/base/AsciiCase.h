#pragma once

namespace tobble {

// Case as Windows file names and menu access keys know it: only the letters A to Z change, so
// that the result never depends on the system's locale.
constexpr char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

constexpr char16_t asciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

} // namespace tobble
