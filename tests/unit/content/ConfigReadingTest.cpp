#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Fakes.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"

namespace tobble {
namespace {

using namespace std::string_literals;

using Items = std::vector<std::u16string>;

// Every item up to the end of the text, where each began, the line count and where the reader
// stands at the end; a reader that never ends stops at 100 items.
struct Reading {
    Items items;
    std::string starts;
    std::size_t lines = 0, endLine = 0;
    bool operator==(const Reading&) const = default;
};

Reading readAll(ItemReader& reader) {
    Reading reading;
    while (reading.items.size() < 100) {
        std::optional<std::u16string> item = reader.next();
        if (!item)
            break;
        reading.items.push_back(std::move(*item));
        reading.starts += std::to_string(reader.itemStart().line) + ":" +
                          std::to_string(reader.itemStart().column) + " ";
    }
    reading.lines = reader.lineCount();
    reading.endLine = reader.itemStart().line;
    return reading;
}

Reading read(const std::u16string& text, std::size_t maxItemChars = kMaxItemChars) {
    WholeText source(text);
    ItemReader reader(source, maxItemChars);
    return readAll(reader);
}

// The bytes of a file as handed out step bytes per read and decoded pieceBytes at a time.
Reading readBytes(std::string_view bytes, std::size_t step, std::size_t pieceBytes) {
    MemoryBytes source(bytes, step);
    ConfigText text(source, decodeWindows1252, pieceBytes);
    ItemReader reader(text);
    return readAll(reader);
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
        // Text after a closing quote is dropped.
        {u"\"said\" loudly,next", {u"said", u"next"}},
        // An unterminated quote ends at its line or at the end.
        {u"\"open\n\nnext", {u"open", u"", u"next"}},
        {u"\"open\r\"x\"", {u"open", u"x"}},
    };
    for (const auto& [text, items] : cases)
        EXPECT_EQ(read(text).items, items) << toUtf8(text);
}

TEST(ItemReader, ReportsWhereEachItemBeganAndHowManyLinesTheFileHas) {
    const Reading reading = read(u"one\r\ntwo, three\r\rfour\n");
    EXPECT_EQ(reading.starts, "1:1 2:1 2:6 3:1 4:1 ");
    EXPECT_EQ(reading.endLine, 5u) << "past the end: where the file ends";
    EXPECT_EQ(reading.lines, 4u);
    EXPECT_EQ(read(u"a\nb").lines, 2u);
}

TEST(ItemReader, KeepsTheStartOfAnOverlongItemAndReadsOnFromItsEnd) {
    EXPECT_EQ(read(u"abcdef\r\n\U0001F600\U0001F600,  z  y  \r\n\"12345\"", 3).items,
              (Items{u"abc", u"\U0001F600", u"z  ", u"123"}))
        << "half a character is not kept";
    EXPECT_EQ(read(u"abcdef\r\n\U0001F600\U0001F600,  z\r\nlast", 3).starts, "1:1 2:1 2:8 3:1 ");
}

// The encoding is decided from the first bytes beyond ASCII and holds for the rest of the file.
// Where the reads and the decoded pieces end changes nothing.
TEST(ConfigText, DecodesAsTheFileWasSavedWhereverItsReadsEnd) {
    const std::string asciiHead(70000, 'x');
    const std::u16string asciiLine(asciiHead.begin(), asciiHead.end());
    const std::pair<std::string, Items> cases[] = {
        {"\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC,\xF0\x9F\x98\x80 x\r\n\r\n y"s,
         {u"Grüße €", u"\U0001F600 x", u"", u"y"}},
        {"\xFF\xFE"
         "a\0,\0=\xD8\0\xDE\r\0\n\0b\0c"s,
         {u"a", u"\U0001F600", u"b"}},
        {"\xFE\xFF"
         "\0a\0,\xD8=\xDE\0\0\r\0\n\0b"s,
         {u"a", u"\U0001F600", u"b"}},
        {"ok\r\n\xC3\xA9t\xC3\xA9\r\n"s, {u"ok", u"été"}},
        {"Caf\xE9\r\n\x80\xC3\xA9"s, {u"Café", u"€Ã©"}},
        {"cut \xC3"s, {u"cut Ã"}},
        {"\"\xC3\xA9\"\r\n" + asciiHead + "\r\n\"\xE9\"", {u"é", asciiLine, u"\uFFFD"}},
        {"\"\xC3\xA9\"\r\n" + asciiHead.substr(0, 60000) + "\r\n\"\xE9\"",
         {u"Ã©", asciiLine.substr(0, 60000), u"é"}},
        {asciiHead + "\r\n\"Caf\xE9\"", {asciiLine, u"Café"}},
    };
    for (const auto& [bytes, items] : cases) {
        const Reading whole = readBytes(bytes, bytes.size(), 1 << 20);
        EXPECT_EQ(whole.items, items) << bytes.substr(0, 20);
        for (std::size_t step = 1; step <= 3; ++step) {
            for (std::size_t piece = 1; piece <= 4; piece += 3)
                EXPECT_EQ(readBytes(bytes, step, piece), whole) << step << " " << piece;
        }
    }
}

// A good head, then 64 MiB of blanks, counted as they are read.
struct JunkAfter : ByteSource {
    explicit JunkAfter(std::string good) : head(std::move(good)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t fromHead = head.copy(buffer, size);
        head.erase(0, fromHead);
        const std::size_t junk = std::min(size - fromHead, (std::size_t{64} << 20) - junkRead);
        std::fill_n(buffer + fromHead, junk, ' ');
        junkRead += junk;
        return fromHead + junk;
    }
    std::string head;
    std::size_t junkRead = 0;
};

TEST(ConfigFile, ReadsNothingBeyondTheLastAnswer) {
    std::string config = testing::configText("Title", {"Hi", "one"}, {"yes", "no", "last"});
    config.resize(config.size() - 2);
    for (const char* end : {"\r\n", ",", ",  "}) {
        JunkAfter file(config + end);
        ConfigText text(file, decodeWindows1252);
        ItemReader reader(text);
        ConfigFields speech;
        std::u16string title;
        readConfigItems(reader, speech, [&](const std::u16string& t) { title = t; });
        EXPECT_EQ(title + speech.Phrases[1] + speech.Answers[3], u"Titleonelast");
        EXPECT_LT(file.junkRead, 256u * 1024) << "read on into the junk after " << end;
    }
}

// A file whose tail is larger than memory: only its head is ever read. Windows gives a file its
// whole length on disk (and its C runtime refuses a length beyond the free space), so the tail
// stays well within what the disk holds.
TEST(ConfigFile, LoadsAGoodHeadWhateverFollowsIt) {
    testing::ContentDir dir;
    dir.write("config.ini", testing::configText("Huge", {"Hi", "one"}, {"yes"}));
    const std::uintmax_t room = std::filesystem::space(dir.path()).available / 4;
    const std::uintmax_t length =
        std::max<std::uintmax_t>(std::min(std::uintmax_t{1} << 36, room), std::uintmax_t{1} << 24);
    std::filesystem::resize_file(dir.path() / "config.ini", length);
    ConfigFields speech;
    std::u16string title;
    loadConfigFile((dir.path() / "config.ini").u16string(), decodeWindows1252, speech,
                   [&](const std::u16string& t) { title = t; });
    EXPECT_EQ(title + speech.Phrases[1] + speech.Answers[1], u"Hugeoneyes");
}

} // namespace
} // namespace tobble
