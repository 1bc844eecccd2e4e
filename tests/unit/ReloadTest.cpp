#include <gtest/gtest.h>

#include "Fakes.h"

namespace tobble::testing {
namespace {

constexpr char kErrorPrefix[] =
    "box 16 Error!: Error opening the config.ini file!  Exact error was:  ";

std::string errorShown(const EventLog& log) {
    for (const std::string& line : log) {
        if (line.starts_with(kErrorPrefix))
            return line.substr(sizeof kErrorPrefix - 1);
    }
    return "";
}

TEST(Reload, FillsTitleLinesAndAnswers) {
    Harness h;
    h.dir.write("config.ini",
                configText("My Tobble", {"Hello", "Line one", "Line two"}, {"Yes", "No", "Maybe"}));
    h.form.mnuReload_Click();

    const SpeechState& s = h.form.speech();
    EXPECT_EQ(h.window.caption, u"My Tobble");
    EXPECT_EQ(s.PhraseCount, 2);
    EXPECT_EQ(s.Phrases[0], u"Hello");
    EXPECT_EQ(s.Phrases[2], u"Line two");
    EXPECT_EQ(s.AnswerCount, 3);
    EXPECT_EQ(s.Answers[0], u"");
    EXPECT_EQ(s.Answers[3], u"Maybe");
    EXPECT_EQ(s.ReadBuffer, u"Answers");
    EXPECT_EQ(s.CurrentIndex, 4) << "the answer loop leaves its end value";
    EXPECT_EQ(errorShown(h.log), "");
    ASSERT_NE(h.window.picture, nullptr);
}

TEST(Reload, AFailedLoadKeepsWhatItReadAndTheNextOneOpensTheFileAfresh) {
    Harness h;
    h.dir.write("config.ini", "x\r\n\"Half\"\r\nx\r\n2\r\n\"Hi\"\r\n\"one\"\r\n");
    h.form.mnuReload_Click();
    EXPECT_NE(errorShown(h.take()), "");
    EXPECT_EQ(h.window.caption, u"Half");
    EXPECT_EQ(h.form.speech().PhraseCount, 2);
    EXPECT_EQ(h.form.speech().Phrases[1], u"one");

    h.dir.write("config.ini", configText("Whole", {"Hi", "one", "two"}, {"yes"}));
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.take()), "");
    EXPECT_EQ(h.window.caption, u"Whole");
    EXPECT_EQ(h.form.speech().Phrases[2], u"two");
    EXPECT_EQ(h.form.speech().Answers[1], u"yes");
}

TEST(Reload, LoadsThePictureBeforeReadingTheFile) {
    Harness h;
    h.dir.write("config.ini", configText("T", {"Hi"}, {}));
    h.form.mnuReload_Click();
    const EventLog log = h.take();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "picture " + h.dir.prefix() + "picture.jpg");
    EXPECT_EQ(log[1], "image");
    EXPECT_EQ(log[2], "title T");
}

TEST(Reload, ZeroLinesReadsOnlyTheGreetingAndZeroAnswersReadsNone) {
    Harness h;
    h.dir.write("config.ini", "x,Title,x,0,Greeting,skipped,0,not an answer");
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "");
    EXPECT_EQ(h.form.speech().Phrases[0], u"Greeting");
    EXPECT_EQ(h.form.speech().Phrases[1], u"");
    EXPECT_EQ(h.form.speech().ReadBuffer, u"skipped");
    EXPECT_EQ(h.form.speech().AnswerCount, 0);
    EXPECT_EQ(h.form.speech().Answers[1], u"");
    EXPECT_EQ(h.form.speech().CurrentIndex, 1);
}

TEST(Reload, ALaterLoadKeepsEntriesBeyondTheNewCounts) {
    Harness h;
    h.dir.write("config.ini", configText("T", {"G", "one", "two", "three"}, {"a", "b"}));
    h.form.mnuReload_Click();
    h.dir.write("config.ini", configText("T2", {"G2", "uno"}, {}));
    h.form.mnuReload_Click();
    EXPECT_EQ(h.form.speech().PhraseCount, 1);
    EXPECT_EQ(h.form.speech().Phrases[1], u"uno");
    EXPECT_EQ(h.form.speech().Phrases[3], u"three");
    EXPECT_EQ(h.form.speech().Answers[2], u"b");
}

TEST(Reload, FindsFilesNamedInAnotherCase) {
    Harness h;
    if (h.dir.ignoresCase())
        GTEST_SKIP() << "this file system finds every spelling by itself";
    h.dir.remove("picture.jpg");
    h.dir.write("Picture.JPG", "picture");
    h.dir.write("Config.INI", configText("Upper", {"G"}, {}));
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "");
    EXPECT_EQ(h.window.caption, u"Upper");
    EXPECT_EQ(h.log.front(), "picture " + h.dir.prefix() + "Picture.JPG");
}

TEST(Reload, TwoFilesMatchingInOtherCasesAreNotGuessedBetween) {
    Harness h;
    if (h.dir.ignoresCase())
        GTEST_SKIP() << "this file system finds every spelling by itself";
    h.dir.write("Config.ini", configText("One", {"G"}, {}));
    h.dir.write("CONFIG.INI", configText("Two", {"G"}, {}));
    h.form.mnuReload_Click();
    EXPECT_TRUE(errorShown(h.log).starts_with("File not found"));
}

} // namespace
} // namespace tobble::testing
