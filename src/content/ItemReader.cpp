#include "content/ItemReader.h"

#include "base/NumberText.h"

namespace tobble {

ItemReader::ItemReader(std::u16string text) : text_(std::move(text)) {}

bool ItemReader::isLineBreak(std::size_t offset) const {
    return text_[offset] == u'\r' || text_[offset] == u'\n';
}

void ItemReader::skipLineBreak() {
    if (text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n')
        ++pos_;
    ++pos_;
    ++line_;
    lineBegin_ = pos_;
    lineHasItem_ = false;
}

std::optional<std::u16string> ItemReader::next() {
    const std::size_t size = text_.size();
    while (pos_ < size && isBlank(text_[pos_]))
        ++pos_;
    itemStart_ = TextPosition{line_, pos_ - lineBegin_ + 1};

    if (pos_ >= size) {
        // A last line of blanks without a final line break is still a line, so an empty item.
        if (lineHasItem_ || pos_ == lineBegin_)
            return std::nullopt;
        lineHasItem_ = true;
        return std::u16string();
    }
    if (isLineBreak(pos_)) {
        skipLineBreak();
        return std::u16string();
    }

    lineHasItem_ = true;
    std::u16string value;
    if (text_[pos_] == u'"') {
        const std::size_t begin = ++pos_;
        while (pos_ < size && text_[pos_] != u'"' && !isLineBreak(pos_))
            ++pos_;
        value.assign(text_, begin, pos_ - begin);
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

    if (pos_ < size && text_[pos_] == u',') {
        ++pos_;
        // A comma at the end of a line already separates this item from the next line's.
        std::size_t after = pos_;
        while (after < size && isBlank(text_[after]))
            ++after;
        if (after >= size || isLineBreak(after)) {
            pos_ = after;
            if (pos_ < size)
                skipLineBreak();
        }
    } else if (pos_ < size) {
        skipLineBreak();
    }
    return value;
}

} // namespace tobble
