#include <gtest/gtest.h>

#include "content/ItemReader.h"
#include "platform/Failure.h"

namespace tobble {
namespace {

std::vector<std::u16string> readAll(const std::u16string& text, int count) {
    ItemReader reader(text);
    std::vector<std::u16string> items;
    for (int i = 0; i < count; ++i)
        items.push_back(reader.readText());
    return items;
}

using Items = std::vector<std::u16string>;

TEST(ItemReader, SeparatesItemsAtCommasAndLineBreaks) {
    EXPECT_EQ(readAll(u"one,two\nthree\r\nfour\rfive", 5),
              (Items{u"one", u"two", u"three", u"four", u"five"}));
}

TEST(ItemReader, QuotedItemKeepsCommasAndDropsQuotes) {
    EXPECT_EQ(readAll(u"\"Hello, you\",next", 2), (Items{u"Hello, you", u"next"}));
}

TEST(ItemReader, UnquotedCommaMakesTwoItems) {
    EXPECT_EQ(readAll(u"Hello, you\nnext", 3), (Items{u"Hello", u"you", u"next"}));
}

TEST(ItemReader, SkipsBlanksBeforeAnItemAndTrimsThemAfterAnUnquotedOne) {
    EXPECT_EQ(readAll(u"   spaced   ,\t tabbed\t\n", 2), (Items{u"spaced", u"tabbed"}));
    EXPECT_EQ(readAll(u"  \"  kept  \"  ,x", 2), (Items{u"  kept  ", u"x"}));
}

TEST(ItemReader, EmptyItemsBetweenCommasAndEmptyQuotes) {
    EXPECT_EQ(readAll(u"a,,b,\"\",c", 5), (Items{u"a", u"", u"b", u"", u"c"}));
}

TEST(ItemReader, BlankLinesAndACommaBeforeALineBreakAddNoItems) {
    EXPECT_EQ(readAll(u"a,\n\n\r\n  \nb", 2), (Items{u"a", u"b"}));
}

TEST(ItemReader, TextAfterAClosingQuoteIsDropped) {
    EXPECT_EQ(readAll(u"\"said\" loudly,next", 2), (Items{u"said", u"next"}));
}

TEST(ItemReader, QuoteInsideAnUnquotedItemIsPlainText) {
    EXPECT_EQ(readAll(u"say \"hi\" now,x", 2), (Items{u"say \"hi\" now", u"x"}));
}

TEST(ItemReader, UnterminatedQuoteEndsAtItsLineOrAtTheEnd) {
    EXPECT_EQ(readAll(u"\"open\nnext", 2), (Items{u"open", u"next"}));
    EXPECT_EQ(readAll(u"\"open to the end", 1), (Items{u"open to the end"}));
}

TEST(ItemReader, KeepsMarkupAndNulCharactersAsText) {
    const std::u16string withNul(u"a\0b", 3);
    EXPECT_EQ(readAll(u"<b>hi</b>," + withNul, 2), (Items{u"<b>hi</b>", withNul}));
}

TEST(ItemReader, RunningOutOfItemsFailsWithEndOfFile) {
    ItemReader reader(u"only\n\n  ");
    EXPECT_EQ(reader.readText(), u"only");
    try {
        reader.readText();
        FAIL() << "expected a failure";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.description().starts_with(u"Input past end of file"));
        EXPECT_NE(failure.description().find(u"line 3"), std::u16string::npos);
    }
    EXPECT_THROW(ItemReader(u"").readText(), Failure);
}

TEST(ItemReader, CountsAreWholeNumbersFrom0To255) {
    ItemReader reader(u"0, 7 ,\"12\",255,+3,-0");
    EXPECT_EQ(reader.readByte(), 0);
    EXPECT_EQ(reader.readByte(), 7);
    EXPECT_EQ(reader.readByte(), 12);
    EXPECT_EQ(reader.readByte(), 255);
    EXPECT_EQ(reader.readByte(), 3);
    EXPECT_EQ(reader.readByte(), 0);
}

TEST(ItemReader, CountOutside0To255Overflows) {
    for (const char16_t* text : {u"256", u"-1", u"99999999999999999999"}) {
        ItemReader reader(text);
        try {
            reader.readByte();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.description().starts_with(u"Overflow"));
        }
    }
}

TEST(ItemReader, CountThatIsNotANumberIsATypeMismatch) {
    for (const char16_t* text : {u"abc", u"12abc", u"\"\"", u"1.5", u"-"}) {
        ItemReader reader(text);
        try {
            reader.readByte();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.description().starts_with(u"Type mismatch"));
        }
    }
}

TEST(ItemReader, ReportsWhereItStands) {
    ItemReader reader(u"one\r\ntwo, three\rfour");
    reader.readText();
    reader.readText();
    reader.readText();
    EXPECT_EQ(reader.itemStart().line, 2u);
    EXPECT_EQ(reader.itemStart().column, 6u);
    reader.readText();
    EXPECT_EQ(reader.itemStart().line, 3u);
    EXPECT_EQ(reader.position().column, 5u);
}

} // namespace
} // namespace tobble
