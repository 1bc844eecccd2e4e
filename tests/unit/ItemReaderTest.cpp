#include <gtest/gtest.h>

#include "content/ItemReader.h"

namespace tobble {
namespace {

using Items = std::vector<std::u16string>;

// Every item up to the end of the text; a reader that never ends stops at 100.
Items readAll(const std::u16string& text) {
    ItemReader reader(text);
    Items items;
    while (items.size() < 100) {
        std::optional<std::u16string> item = reader.next();
        if (!item)
            break;
        items.push_back(std::move(*item));
    }
    return items;
}

TEST(ItemReader, SeparatesItemsAtCommasAndLineBreaks) {
    EXPECT_EQ(readAll(u"one,two\nthree\r\nfour\rfive"),
              (Items{u"one", u"two", u"three", u"four", u"five"}));
}

TEST(ItemReader, QuotedItemKeepsCommasAndDropsQuotes) {
    EXPECT_EQ(readAll(u"\"Hello, you\",next"), (Items{u"Hello, you", u"next"}));
}

TEST(ItemReader, UnquotedCommaMakesTwoItems) {
    EXPECT_EQ(readAll(u"Hello, you\nnext"), (Items{u"Hello", u"you", u"next"}));
}

TEST(ItemReader, SkipsBlanksBeforeAnItemAndTrimsThemAfterAnUnquotedOne) {
    EXPECT_EQ(readAll(u"   spaced   ,\t tabbed\t\n"), (Items{u"spaced", u"tabbed"}));
    EXPECT_EQ(readAll(u"  \"  kept  \"  ,x"), (Items{u"  kept  ", u"x"}));
}

TEST(ItemReader, EmptyItemsBetweenCommasAndEmptyQuotes) {
    EXPECT_EQ(readAll(u"a,,b,\"\",c"), (Items{u"a", u"", u"b", u"", u"c"}));
}

TEST(ItemReader, AnEmptyOrBlankLineIsOneEmptyItem) {
    EXPECT_EQ(readAll(u"a\n\n  \r\n\t\rb"), (Items{u"a", u"", u"", u"", u"b"}));
    EXPECT_EQ(readAll(u"\r\nTitle\r\n"), (Items{u"", u"Title"})) << "a file may start empty";
}

TEST(ItemReader, ALineBreakRightAfterACommaAddsNoItem) {
    EXPECT_EQ(readAll(u"a,\nb"), (Items{u"a", u"b"}));
    EXPECT_EQ(readAll(u"a, \t\r\n\r\nb"), (Items{u"a", u"", u"b"}));
    EXPECT_EQ(readAll(u"\"a\",\n"), (Items{u"a"}));
}

TEST(ItemReader, TheFinalLineBreakEndsTheLastLine) {
    EXPECT_EQ(readAll(u"a\n"), (Items{u"a"}));
    EXPECT_EQ(readAll(u"a\r\n\r\n"), (Items{u"a", u""}));
    EXPECT_EQ(readAll(u"a\n  "), (Items{u"a", u""})) << "a last line of blanks is still a line";
    EXPECT_EQ(readAll(u"a,"), (Items{u"a"}));
    EXPECT_EQ(readAll(u""), Items{});
}

TEST(ItemReader, TextAfterAClosingQuoteIsDropped) {
    EXPECT_EQ(readAll(u"\"said\" loudly,next"), (Items{u"said", u"next"}));
}

TEST(ItemReader, QuoteInsideAnUnquotedItemIsPlainText) {
    EXPECT_EQ(readAll(u"say \"hi\" now,x"), (Items{u"say \"hi\" now", u"x"}));
}

TEST(ItemReader, UnterminatedQuoteEndsAtItsLineOrAtTheEnd) {
    EXPECT_EQ(readAll(u"\"open\n\nnext"), (Items{u"open", u"", u"next"}));
    EXPECT_EQ(readAll(u"\"open to the end"), (Items{u"open to the end"}));
}

TEST(ItemReader, KeepsMarkupAndNulCharactersAsText) {
    const std::u16string withNul(u"a\0b", 3);
    EXPECT_EQ(readAll(u"<b>hi</b>," + withNul), (Items{u"<b>hi</b>", withNul}));
}

TEST(ItemReader, ReportsWhereEachItemBeganAndHowManyLinesTheFileHas) {
    ItemReader reader(u"one\r\ntwo, three\r\rfour\n");
    const std::pair<std::size_t, std::size_t> starts[] = {{1, 1}, {2, 1}, {2, 6}, {3, 1}, {4, 1}};
    for (const auto& [line, column] : starts) {
        ASSERT_TRUE(reader.next().has_value());
        EXPECT_EQ(reader.itemStart().line, line);
        EXPECT_EQ(reader.itemStart().column, column);
    }
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_EQ(reader.itemStart().line, 5u) << "past the end: where the file ends";
    EXPECT_EQ(reader.lineCount(), 4u);

    ItemReader unterminated(u"a\nb");
    unterminated.next();
    unterminated.next();
    EXPECT_FALSE(unterminated.next().has_value());
    EXPECT_EQ(unterminated.lineCount(), 2u);
}

} // namespace
} // namespace tobble
