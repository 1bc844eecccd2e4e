#include <gtest/gtest.h>

#include "Fakes.h"
#include "base/NumberText.h"
#include "base/TextEncoding.h"
#include "content/ItemReader.h"
#include "platform/WavFormat.h"

namespace tobble {
namespace {

using testing::chunk, testing::wave;

using Items = std::vector<std::u16string>;

// Every item up to the end of the text; a reader that never ends stops at 100.
Items readAll(const std::u16string& text) {
    ItemReader reader(text);
    Items items;
    while (items.size() < 100) {
        std::optional<std::u16string> item = reader.next();
        if (!item)
            return items;
        items.push_back(std::move(*item));
    }
    return items;
}

TEST(ItemReader, SplitsQuotesAndTrimsAsConfigIniIsWritten) {
    const std::pair<std::u16string, Items> cases[] = {
        {u"   spaced   ,\t tabbed\t\n", {u"spaced", u"tabbed"}},
        {u"  \"  kept  \"  ,x", {u"  kept  ", u"x"}},
        {u"a,,b,\"\",c", {u"a", u"", u"b", u"", u"c"}},
        // An empty or blank line is one empty item.
        {u"a\n\n  \r\n\t\rb", {u"a", u"", u"", u"", u"b"}},
        // A line break right after a comma adds no item.
        {u"a, \t\r\n\r\nb", {u"a", u"", u"b"}},
        // The final line break ends the last line; a last line of blanks is still a line.
        {u"a\n", {u"a"}},
        {u"a\r\n\r\n", {u"a", u""}},
        {u"a\n  ", {u"a", u""}},
        {u"a,", {u"a"}},
        {u"", {}},
        // Text after a closing quote is dropped.
        {u"\"said\" loudly,next", {u"said", u"next"}},
        // An unterminated quote ends at its line or at the end.
        {u"\"open\n\nnext", {u"open", u"", u"next"}},
    };
    for (const auto& [text, items] : cases)
        EXPECT_EQ(readAll(text), items) << toUtf8(text);
}

TEST(ItemReader, ReportsWhereEachItemBeganAndHowManyLinesTheFileHas) {
    ItemReader reader(u"one\r\ntwo, three\r\rfour\n");
    std::string starts;
    while (reader.next())
        starts += std::to_string(reader.itemStart().line) + ":" +
                  std::to_string(reader.itemStart().column) + " ";
    EXPECT_EQ(starts, "1:1 2:1 2:6 3:1 4:1 ");
    EXPECT_EQ(reader.itemStart().line, 5u) << "past the end: where the file ends";
    EXPECT_EQ(reader.lineCount(), 4u);

    ItemReader unterminated(u"a\nb");
    unterminated.next();
    unterminated.next();
    EXPECT_FALSE(unterminated.next().has_value());
    EXPECT_EQ(unterminated.lineCount(), 2u);
}

TEST(NumberText, TakesPlainIntegersIn16BitsAndHoldsHugeOnesAtABillion) {
    EXPECT_EQ(parseInt16(u"  -32768 "), -32768);
    EXPECT_EQ(parseInt16(u"+32767"), 32767);
    EXPECT_EQ(parseInt16(u"007"), 7);
    for (const char16_t* bad : {u"", u" ", u"32768", u"-32769", u"1.0", u"abc", u"1 2", u"+", u"٣"})
        EXPECT_FALSE(parseInt16(bad).has_value()) << toUtf8(bad);
    EXPECT_EQ(parseWholeNumber(u"99999999999999999999"), 1000000000);
    EXPECT_EQ(parseWholeNumber(u"-99999999999999999999"), -1000000000);
    EXPECT_EQ(parseWholeNumber(u"\t-0 "), 0);
    EXPECT_EQ(decimalText(4294967295u), u"4294967295");
}

TEST(TextEncoding, Utf8RoundTripsMalformedBytesAreRejectedAndWindows1252HasItsOwnControls) {
    const std::u16string text = u"\uFFFD😀 Tobble é € \u0800 \U00010000 \U000103FF";
    EXPECT_EQ(decodeUtf8(toUtf8(text)), text);
    EXPECT_FALSE(decodeUtf8("\xC3").has_value());
    EXPECT_FALSE(decodeUtf8("\xED\xA0\x80").has_value()) << "an encoded surrogate";
    EXPECT_FALSE(decodeUtf8("\xC0\xAF").has_value()) << "an overlong form";
    EXPECT_EQ(decodeUtf8Lenient(std::string("a\xFF") + "b"), u"a\uFFFDb");
    EXPECT_EQ(decodeWindows1252("\x80\x93\x94\xE9\xFF"), u"€“”éÿ");
}

WavFormat describe(const std::string& file) {
    return describeWav(file, file.size());
}

TEST(WavFormat, OnlyPlainPcmHasTheLayoutStrictReadersNeed) {
    const WavFormat plain = describe(wave(1, 16, chunk("data", "abcd")));
    EXPECT_TRUE(plain.playable) << plain.problem;
    EXPECT_TRUE(hasPlainPcmLayout(plain));
    EXPECT_EQ(plain.dataBytes, 4u);
    EXPECT_DOUBLE_EQ(plain.seconds, 4.0 / (22050 * 2)) << "the length the checker reports";

    const WavFormat extensible = describe(wave(0xFFFE, 16, chunk("data", "abcd")));
    EXPECT_TRUE(extensible.playable) << extensible.problem;
    EXPECT_FALSE(hasPlainPcmLayout(extensible)) << "a 40-byte format chunk";
    // Cut inside the sub-format: its tag is not read from beyond what was given.
    EXPECT_EQ(describeWav(wave(0xFFFE, 16).substr(0, 50), 1000).formatTag, 0xFFFE);
    EXPECT_EQ(describeWav(wave(0xFFFE, 16), 1000).problem, "no data chunk");

    EXPECT_EQ(describe(wave(1, 16)).problem, "no data chunk") << "the format chunk ends the file";
    const WavFormat padded = describe(wave(1, 8, chunk("LIST", "odd") + chunk("data", "abcd")));
    EXPECT_TRUE(padded.playable) << padded.problem;
    EXPECT_TRUE(padded.unevenChunkBeforeData);
    EXPECT_FALSE(hasPlainPcmLayout(padded));
    EXPECT_TRUE(hasPlainPcmLayout(describe(wave(1, 8, chunk("data", "ab"), 32))));
    EXPECT_FALSE(hasPlainPcmLayout(describe(wave(1, 8, chunk("data", "ab"), 33)))) << "channels";
}

} // namespace
} // namespace tobble
