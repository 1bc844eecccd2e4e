#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tobble {

struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

// Decoded text handed out a piece at a time.
class TextSource {
public:
    virtual ~TextSource() = default;

    // Replaces piece with the next stretch of text, never empty; false once the text has ended.
    virtual bool next(std::u16string& piece) = 0;
};

// Text already in memory, handed out whole.
class WholeText : public TextSource {
public:
    explicit WholeText(std::u16string text) : text_(std::move(text)) {}

    bool next(std::u16string& piece) override;

private:
    std::u16string text_;
};

// An item is shown in a label: beyond this many characters the rest of it is read but not kept.
inline constexpr std::size_t kMaxItemChars = 10 * 1024 * 1024;

// Reads config.ini's items one after another, pulling only as much text as the next item needs.
// Items are separated by commas or line breaks, so an empty line, or one holding only blanks, is
// one empty item; a line break right after a comma adds none. Blanks before an item are skipped,
// and after an unquoted one trimmed. An item in double quotes may hold commas; it ends at its
// closing quote (what follows up to the next separator is dropped) or, when that is missing, at
// the end of its line. A CR LF pair, a lone CR and a lone LF are each one line break; the file's
// final line break ends its last line.
class ItemReader {
public:
    explicit ItemReader(TextSource& text, std::size_t maxItemChars = kMaxItemChars)
        : text_(text), maxItemChars_(maxItemChars) {}

    // The next item, or nothing once the file has no more.
    std::optional<std::u16string> next();

    // Where the last item asked for began (or, past the end, where the file ends).
    TextPosition itemStart() const { return itemStart_; }

    // Once next() has given nothing: the file's number of lines, the last one counted even without
    // a final line break.
    std::size_t lineCount() const { return lineStarted_ ? line_ : line_ - 1; }

private:
    // The character at the reading position, or nothing at the end of the text.
    std::optional<char16_t> peek();
    void advance();
    void skipBlanks();
    void skipLineBreak();
    // Consumes the text up to the next of stops or the end, keeping what fits in value. Returns
    // how much of it runs up to its last non-blank.
    std::size_t takeUntil(std::u16string_view stops, std::u16string* value);

    TextSource& text_;
    std::size_t maxItemChars_;
    std::u16string piece_;
    std::size_t pos_ = 0;
    bool ended_ = false;

    std::size_t line_ = 1;
    std::size_t column_ = 1;
    bool lineStarted_ = false; // a character of this line has been read
    bool lineHasItem_ = false;
    // The separator after the last item is settled only when the next is asked for, so that
    // nothing after the last item needed is ever read.
    bool afterComma_ = false;
    bool beforeLineBreak_ = false;
    TextPosition itemStart_;
};

} // namespace tobble
