#pragma once

#include <string>

namespace tobble {

// UTF-16 both ways: the core's strings go to the W functions as they are.
inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string fromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string fromWide(const std::wstring& text) {
    return fromWide(text.data(), text.size());
}

} // namespace tobble
