#include "content/ItemReader.h"

#include <algorithm>

#include "base/NumberText.h"

namespace tobble {
namespace {

bool isLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

// Where the first of stops is, at or after from; every stop is at most ',', so that a long item
// is passed over one comparison per character.
std::size_t findStop(std::u16string_view text, std::size_t from, std::u16string_view stops) {
    for (; from < text.size(); ++from) {
        if (text[from] <= u',' && stops.find(text[from]) != std::u16string_view::npos)
            return from;
    }
    return text.size();
}

constexpr std::size_t kLongItem = 1024 * 1024;

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

bool WholeText::next(std::u16string& piece) {
    piece = std::move(text_);
    text_.clear();
    return !piece.empty();
}

std::optional<char16_t> ItemReader::peek() {
    while (pos_ >= piece_.size()) {
        if (ended_ || !text_.next(piece_)) {
            ended_ = true;
            piece_.clear();
            pos_ = 0;
            return std::nullopt;
        }
        pos_ = 0;
    }
    return piece_[pos_];
}

void ItemReader::advance() {
    ++pos_;
    ++column_;
    lineStarted_ = true;
}

void ItemReader::skipBlanks() {
    for (std::optional<char16_t> c = peek(); c && isBlank(*c); c = peek())
        advance();
}

void ItemReader::skipLineBreak() {
    const bool cr = *peek() == u'\r';
    advance();
    if (cr && peek() == u'\n')
        advance();
    ++line_;
    column_ = 1;
    lineStarted_ = false;
    lineHasItem_ = false;
}

std::size_t ItemReader::takeUntil(std::u16string_view stops, std::u16string* value) {
    std::size_t taken = 0;
    std::size_t nonBlankEnd = 0;
    bool cut = false;
    while (peek()) {
        const std::size_t end = findStop(piece_, pos_, stops);
        const std::u16string_view stretch = std::u16string_view(piece_).substr(pos_, end - pos_);
        for (std::size_t i = stretch.size(); i > 0; --i) {
            if (!isBlank(stretch[i - 1])) {
                nonBlankEnd = taken + i;
                break;
            }
        }
        if (value) {
            const std::size_t room = maxItemChars_ - value->size();
            const std::size_t wanted = value->size() + std::min(room, stretch.size());
            // A long item gets room for the most it may keep at once: growing it by doubling
            // would hold its old copy beside the new one. Room not written to takes no memory.
            if (wanted > value->capacity())
                value->reserve(wanted > kLongItem ? maxItemChars_
                                                  : std::max(wanted, 2 * value->capacity()));
            value->append(stretch.substr(0, room));
            cut = cut || stretch.size() > room;
        }
        taken += stretch.size();
        column_ += stretch.size();
        lineStarted_ = lineStarted_ || !stretch.empty();
        pos_ = end;
        if (end < piece_.size())
            break;
    }
    // A pair cut in two would leave half a character.
    if (cut && !value->empty() && isHighSurrogate(value->back()))
        value->pop_back();
    return nonBlankEnd;
}

std::optional<std::u16string> ItemReader::next() {
    if (beforeLineBreak_) {
        beforeLineBreak_ = false;
        skipLineBreak();
    }
    skipBlanks();
    if (afterComma_) {
        // A comma at the end of a line already separates its item from the next line's.
        afterComma_ = false;
        const std::optional<char16_t> c = peek();
        if (c && isLineBreak(*c)) {
            skipLineBreak();
            skipBlanks();
        }
    }
    itemStart_ = TextPosition{line_, column_};

    const std::optional<char16_t> first = peek();
    if (!first) {
        // A last line of blanks without a final line break is still a line, so an empty item.
        if (lineHasItem_ || !lineStarted_)
            return std::nullopt;
        lineHasItem_ = true;
        return std::u16string();
    }
    if (isLineBreak(*first)) {
        skipLineBreak();
        return std::u16string();
    }

    lineHasItem_ = true;
    std::u16string value;
    if (*first == u'"') {
        advance();
        takeUntil(u"\"\r\n", &value);
        takeUntil(u",\r\n", nullptr);
    } else {
        const std::size_t nonBlankEnd = takeUntil(u",\r\n", &value);
        if (nonBlankEnd < value.size())
            value.resize(nonBlankEnd);
    }

    // Unused room of a long item goes, so that many long items never hold much more than their
    // texts.
    if (value.capacity() > kLongItem && value.capacity() / 2 > value.size())
        value.shrink_to_fit();

    const std::optional<char16_t> separator = peek();
    if (separator == u',') {
        advance();
        afterComma_ = true;
    } else if (separator) {
        beforeLineBreak_ = true;
    }
    return value;
}

} // namespace tobble
