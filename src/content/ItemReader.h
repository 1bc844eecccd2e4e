#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tobble {

struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

// Reads config.ini's items one after another. Items are separated by commas or line breaks, so an
// empty line, or one holding only blanks, is one empty item; a line break right after a comma
// adds none. Blanks before an item are skipped, and after an unquoted one trimmed. An item in
// double quotes may hold commas; it ends at its closing quote (what follows up to the next
// separator is dropped) or, when that is missing, at the end of its line. A CR LF pair, a lone
// CR and a lone LF are each one line break; the file's final line break ends its last line.
class ItemReader {
public:
    explicit ItemReader(std::u16string text);

    // The next item, or nothing once the file has no more.
    std::optional<std::u16string> next();

    // Where the last item asked for began (or, past the end, where the file ends).
    TextPosition itemStart() const { return itemStart_; }

    // Once next() has given nothing: the file's number of lines, the last one counted even without
    // a final line break.
    std::size_t lineCount() const { return pos_ == lineBegin_ ? line_ - 1 : line_; }

private:
    bool isLineBreak(std::size_t offset) const;
    void skipLineBreak();

    std::u16string text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t lineBegin_ = 0;
    bool lineHasItem_ = false;
    TextPosition itemStart_;
};

} // namespace tobble
