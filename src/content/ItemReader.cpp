#include "content/ItemReader.h"

#include <algorithm>

#include "app/SoundFiles.h"
#include "platform/Failure.h"

namespace tobble {
namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string where(TextPosition p) {
    return u"line " + decimalText(static_cast<unsigned>(p.line)) + u", column " +
           decimalText(static_cast<unsigned>(p.column));
}

// Long items are cut in messages so that a message box stays readable.
std::u16string quoted(const std::u16string& text) {
    constexpr std::size_t kShown = 40;
    if (text.size() <= kShown)
        return u"\"" + text + u"\"";
    return u"\"" + text.substr(0, kShown) + u"...\"";
}

} // namespace

ItemReader::ItemReader(std::u16string text) : text_(std::move(text)) {}

bool ItemReader::isLineBreak(std::size_t offset) const {
    return text_[offset] == u'\r' || text_[offset] == u'\n';
}

std::u16string ItemReader::readText() {
    const std::size_t size = text_.size();
    while (pos_ < size && (isBlank(text_[pos_]) || isLineBreak(pos_)))
        ++pos_;
    itemStart_ = pos_;
    if (pos_ >= size) {
        throw Failure(u"Input past end of file: the file ends at " + where(position()) +
                      u", before all the lines and answers it announces");
    }

    std::u16string value;
    if (text_[pos_] == u'"') {
        const std::size_t begin = ++pos_;
        while (pos_ < size && text_[pos_] != u'"' && !isLineBreak(pos_))
            ++pos_;
        value.assign(text_, begin, pos_ - begin);
        // Whatever stands between the closing quote and the next separator is not part of it.
        while (pos_ < size && text_[pos_] != u',' && !isLineBreak(pos_))
            ++pos_;
    } else {
        const std::size_t begin = pos_;
        while (pos_ < size && text_[pos_] != u',' && !isLineBreak(pos_))
            ++pos_;
        std::size_t end = pos_;
        while (end > begin && isBlank(text_[end - 1]))
            --end;
        value.assign(text_, begin, end - begin);
    }
    if (pos_ < size && text_[pos_] == u',')
        ++pos_;
    return value;
}

std::uint8_t ItemReader::readByte() {
    const std::u16string item = readText();
    std::size_t begin = 0;
    std::size_t end = item.size();
    while (begin < end && isBlank(item[begin]))
        ++begin;
    while (end > begin && isBlank(item[end - 1]))
        --end;

    bool negative = false;
    if (begin < end && (item[begin] == u'+' || item[begin] == u'-'))
        negative = item[begin++] == u'-';
    const bool digitsOnly =
        begin < end && std::all_of(item.begin() + begin, item.begin() + end,
                                   [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (!digitsOnly) {
        throw Failure(u"Type mismatch: the count at " + where(itemStart()) + u", " + quoted(item) +
                      u", is not a whole number");
    }
    unsigned value = 0;
    for (std::size_t i = begin; i < end && value <= 255; ++i)
        value = value * 10 + (item[i] - u'0');
    if (value > 255 || (negative && value != 0)) {
        throw Failure(u"Overflow: the count at " + where(itemStart()) + u", " + quoted(item) +
                      u", does not fit 0 to 255");
    }
    return static_cast<std::uint8_t>(value);
}

TextPosition ItemReader::positionOf(std::size_t offset) const {
    TextPosition p;
    for (std::size_t i = 0; i < offset && i < text_.size(); ++i) {
        if (text_[i] == u'\n' ||
            (text_[i] == u'\r' && (i + 1 >= text_.size() || text_[i + 1] != u'\n'))) {
            ++p.line;
            p.column = 1;
        } else if (text_[i] != u'\r') {
            ++p.column;
        }
    }
    return p;
}

} // namespace tobble
