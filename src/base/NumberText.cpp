#include "base/NumberText.h"

namespace tobble {

std::u16string decimalText(unsigned value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::optional<std::int32_t> parseWholeNumber(std::u16string_view text) {
    constexpr std::int32_t kHeld = 1000000000;
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

    // Wide enough that one more digit past the cap cannot overflow.
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (value < kHeld)
            value = value * 10 + (c - u'0');
    }
    if (value > kHeld)
        value = kHeld;
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int16_t> parseInt16(std::u16string_view text) {
    const std::optional<std::int32_t> value = parseWholeNumber(text);
    if (!value || *value < -32768 || *value > 32767)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

} // namespace tobble
