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

TEST(Reload, UnquotedCommaShiftsEveryLaterItem) {
    Harness h;
    h.dir.write("config.ini", "x\nT\nx\n1\nHi\nOne, two\nx\n1\nYes\n");
    h.form.mnuReload_Click();
    EXPECT_EQ(h.form.speech().Phrases[1], u"One");
    EXPECT_EQ(h.form.speech().ReadBuffer, u"two");
    EXPECT_TRUE(errorShown(h.log).starts_with("Type mismatch")) << "\"x\" is now the answer count";
    EXPECT_EQ(h.form.speech().AnswerCount, 0);
}

TEST(Reload, MissingPictureShowsTheErrorAndLeavesEverythingElse) {
    Harness h;
    h.dir.remove("picture.jpg");
    h.dir.write("config.ini", configText("T", {"Hi"}, {"Yes"}));
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "File not found: " + h.dir.prefix() + "picture.jpg");
    EXPECT_EQ(h.window.caption, u"Its Tobble!");
    EXPECT_EQ(h.form.speech().Phrases[0], u"");
}

TEST(Reload, MissingConfigShowsTheErrorAfterThePictureIsReplaced) {
    Harness h;
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "File not found: " + h.dir.prefix() + "config.ini");
    EXPECT_NE(h.window.picture, nullptr);
    EXPECT_EQ(h.window.caption, u"Its Tobble!");
}

TEST(Reload, ConfigThatIsADirectoryOrUnreadableFailsClearly) {
    Harness h;
    std::filesystem::create_directory(h.dir.path() / "config.ini");
    h.form.mnuReload_Click();
    EXPECT_NE(errorShown(h.take()).find("is a directory"), std::string::npos);

    h.dir.remove("config.ini");
    h.dir.write("config.ini", configText("T", {"Hi"}, {}));
    std::filesystem::permissions(h.dir.path() / "config.ini", std::filesystem::perms::none);
    if (!std::ifstream(h.dir.path() / "config.ini")) { // root reads it anyway
        h.form.mnuReload_Click();
        EXPECT_NE(errorShown(h.take()).find("Permission denied"), std::string::npos);
    }
}

TEST(Reload, FileEndingEarlyKeepsWhatWasRead) {
    Harness h;
    h.dir.write("config.ini", "x,Short title,x,3,Greeting,One");
    h.form.mnuReload_Click();
    EXPECT_TRUE(errorShown(h.log).starts_with("Input past end of file"));
    EXPECT_EQ(h.window.caption, u"Short title");
    EXPECT_EQ(h.form.speech().PhraseCount, 3);
    EXPECT_EQ(h.form.speech().Phrases[1], u"One");
    EXPECT_EQ(h.form.speech().CurrentIndex, 2) << "stopped while reading line 2";
}

TEST(Reload, EndOfFileInEverySectionIsReported) {
    const char* truncated[] = {"",
                               "x",
                               "x,T",
                               "x,T,x",
                               "x,T,x,1",
                               "x,T,x,1,G",
                               "x,T,x,1,G,L",
                               "x,T,x,1,G,L,x",
                               "x,T,x,1,G,L,x,2,A"};
    for (const char* text : truncated) {
        Harness h;
        h.dir.write("config.ini", text);
        h.form.mnuReload_Click();
        EXPECT_TRUE(errorShown(h.log).starts_with("Input past end of file")) << text;
    }
}

TEST(Reload, CountAbove100IsRefusedAndNeverStored) {
    Harness h;
    h.dir.write("config.ini", "x,T,x,150,Greeting");
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "config.ini announces 150 lines, but at most 100 fit");
    EXPECT_EQ(h.form.speech().PhraseCount, 0);
    EXPECT_EQ(h.form.speech().Phrases[0], u"");

    Harness answers;
    answers.dir.write("config.ini", "x,T,x,0,G,x,101,A");
    answers.form.mnuReload_Click();
    EXPECT_EQ(errorShown(answers.log), "config.ini announces 101 answers, but at most 100 fit");
    EXPECT_EQ(answers.form.speech().AnswerCount, 0);
}

TEST(Reload, HundredLinesAndHundredAnswersFit) {
    std::vector<std::string> phrases{"G"}, answers;
    for (int i = 1; i <= 100; ++i) {
        phrases.push_back("line " + std::to_string(i));
        answers.push_back("answer " + std::to_string(i));
    }
    Harness h;
    h.dir.write("config.ini", configText("T", phrases, answers));
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.log), "");
    EXPECT_EQ(h.form.speech().Phrases[100], u"line 100");
    EXPECT_EQ(h.form.speech().Answers[100], u"answer 100");
}

TEST(Reload, CountsThatAreNotNumbersOrDoNotFitFail) {
    const std::pair<const char*, const char*> cases[] = {{"256", "Overflow"},
                                                         {"-1", "Overflow"},
                                                         {"abc", "Type mismatch"},
                                                         {"12abc", "Type mismatch"},
                                                         {"255", "config.ini announces 255 lines"}};
    for (const auto& [count, error] : cases) {
        Harness h;
        h.dir.write("config.ini", std::string("x,Title,x,") + count + ",G");
        h.form.mnuReload_Click();
        EXPECT_TRUE(errorShown(h.log).starts_with(error)) << count << ": " << errorShown(h.log);
        EXPECT_EQ(h.window.caption, u"Title") << "items before the count stay";
    }
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

TEST(Reload, AfterAFailedLoadTheNextOneReadsTheFileAfresh) {
    Harness h;
    h.dir.write("config.ini", "x,Broken,x,abc");
    h.form.mnuReload_Click();
    EXPECT_NE(errorShown(h.take()), "");
    h.dir.write("config.ini", configText("Fixed", {"G"}, {"A"}));
    h.form.mnuReload_Click();
    EXPECT_EQ(errorShown(h.take()), "");
    EXPECT_EQ(h.window.caption, u"Fixed");
    EXPECT_EQ(h.form.speech().Answers[1], u"A");
}

TEST(Reload, ReadsUtf8WithOrWithoutMarkUtf16AndWindows1252) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"x,Caf\xC3\xA9,x,0,G,x,0", u"Café"},
        {"\xEF\xBB\xBFx,Caf\xC3\xA9,x,0,G,x,0", u"Café"},
        {"x,Caf\xE9 \x80,x,0,G,x,0", u"Café €"},
        {std::string("\xFF\xFEx\0,\0T\0\xE9\0,\0x\0,\0"
                     "0\0,\0G\0,\0x\0,\0"
                     "0\0",
                     30),
         u"Té"},
    };
    for (const auto& [bytes, title] : cases) {
        Harness h;
        h.dir.write("config.ini", bytes);
        h.form.mnuReload_Click();
        EXPECT_EQ(errorShown(h.log), "");
        EXPECT_EQ(h.window.caption, title);
    }
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
