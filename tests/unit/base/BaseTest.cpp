#include <gtest/gtest.h>

#include "base/NumberText.h"
#include "base/TextEncoding.h"

namespace tobble {
namespace {

// Set Time's numbers are checked through its box.
TEST(NumberText, HoldsHugeNumbersAtABillion) {
    EXPECT_EQ(parseWholeNumber(u"99999999999999999999"), 1000000000);
    EXPECT_EQ(parseWholeNumber(u"-99999999999999999999"), -1000000000);
    EXPECT_EQ(parseWholeNumber(u"\t-0 "), 0);
    EXPECT_EQ(decimalText(4294967295u), u"4294967295");
}

TEST(TextEncoding, Utf8RoundTripsMalformedBytesAreRejectedAndWindows1252HasItsOwnControls) {
    const std::u16string text = u"\uFFFD😀 Tobble é € \u0800 \U00010000 \U000103FF";
    EXPECT_EQ(decodeUtf8(toUtf8(text)), text);
    EXPECT_FALSE(decodeUtf8("\xED\xA0\x80").has_value()) << "an encoded surrogate";
    EXPECT_FALSE(decodeUtf8("\xC0\xAF").has_value()) << "an overlong form";
    EXPECT_EQ(decodeUtf8Lenient(std::string("a\xFF") + "b"), u"a\uFFFDb");
    EXPECT_EQ(decodeWindows1252("\x80\x93\x94\xE9\xFF"), u"€“”éÿ");
}

} // namespace
} // namespace tobble
