#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tobble {

struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

// Reads config.ini's items one after another. Items are separated by commas or line breaks;
// blanks and line breaks before an item are skipped; an item in double quotes may hold commas and
// ends at its closing quote (or, when that is missing, at the end of its line). Running out of
// items, or a count that is not a number in 0..255, throws Failure.
class ItemReader {
public:
    explicit ItemReader(std::u16string text);

    std::u16string readText();
    std::uint8_t readByte();

    // Where the reader stands, and where the last item it started began.
    TextPosition position() const { return positionOf(pos_); }
    TextPosition itemStart() const { return positionOf(itemStart_); }

private:
    TextPosition positionOf(std::size_t offset) const;
    bool isLineBreak(std::size_t offset) const;

    std::u16string text_;
    std::size_t pos_ = 0;
    std::size_t itemStart_ = 0;
};

} // namespace tobble
