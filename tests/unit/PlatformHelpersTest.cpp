#include <gtest/gtest.h>

#include "Fakes.h"
#include "app/NumberText.h"
#include "content/TextEncoding.h"

namespace tobble::testing {
namespace {

TEST(NumberText, TakesPlainIntegersIn16Bits) {
    EXPECT_EQ(parseInt16(u"1000"), 1000);
    EXPECT_EQ(parseInt16(u"  -32768 "), -32768);
    EXPECT_EQ(parseInt16(u"+32767"), 32767);
    EXPECT_EQ(parseInt16(u"007"), 7);
    for (const char16_t* bad : {u"", u" ", u"32768", u"-32769", u"1.0", u"abc", u"1 2", u"+", u"٣"})
        EXPECT_FALSE(parseInt16(bad).has_value());
}

TEST(NumberText, HoldsHugeNumbersAtABillionSoTheyStayTooLarge) {
    EXPECT_EQ(parseWholeNumber(u"99999999999999999999"), 1000000000);
    EXPECT_EQ(parseWholeNumber(u"-99999999999999999999"), -1000000000);
    EXPECT_EQ(parseWholeNumber(u"\t-0 "), 0);
    EXPECT_FALSE(parseWholeNumber(u"12abc").has_value());
    EXPECT_EQ(decimalText(4294967295u), u"4294967295");
}

TEST(TextEncoding, Utf8RoundTripsAndMalformedBytesAreRejected) {
    const std::u16string text = u"😀 Tobble é € \u0800 \U00010000 \U000103FF";
    EXPECT_EQ(decodeUtf8(toUtf8(text)), text);
    EXPECT_FALSE(decodeUtf8("\xC3").has_value());
    EXPECT_FALSE(decodeUtf8("\xED\xA0\x80").has_value()) << "an encoded surrogate";
    EXPECT_FALSE(decodeUtf8("\xC0\xAF").has_value()) << "an overlong form";
    EXPECT_EQ(decodeUtf8Lenient("a\xFF"
                                "b"),
              u"a\uFFFDb");
}

TEST(TextEncoding, Windows1252HasItsOwnUpperControls) {
    EXPECT_EQ(decodeWindows1252("\x80\x93\x94\xE9\xFF"), u"€“”éÿ");
}

} // namespace
} // namespace tobble::testing
