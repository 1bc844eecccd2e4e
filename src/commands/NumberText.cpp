#include "commands/NumberText.h"

namespace tobble {
namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

} // namespace

std::optional<std::int16_t> parseInt16(const std::u16string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-')) {
        negative = text[begin] == u'-';
        ++begin;
    }
    if (begin == end)
        return std::nullopt;

    std::int32_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 32768)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 32767)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

} // namespace tobble
