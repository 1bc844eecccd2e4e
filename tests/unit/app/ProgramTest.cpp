#include <gtest/gtest.h>

#include <set>

#include "base/NewFolders.h"

#include "Fakes.h"
#include "ui/AccessKeys.h"

namespace tobble::testing {
namespace {

constexpr char kLoadError[] =
    "box 16 Error!: Error opening the config.ini file!  Exact error was:  ";
constexpr char kSetTimeAsk[] =
    "input Set Auto Play Time: Enter a time in milliseconds (10 seconds = 10000). [20000]";

// The program's logic over fakes, with a content directory holding a picture.
struct Tobble : ::testing::Test {
    Tobble() { dir.write("picture.jpg", "picture"); }
    // Starts on a config.ini of a greeting, "Line 1".."Line n" and "Answer 1".."Answer m".
    void start(int lines, int answers) {
        std::vector<std::string> phrases{"Greeting"}, replies;
        for (int i = 1; i <= lines; ++i)
            phrases.push_back("Line " + std::to_string(i));
        for (int i = 1; i <= answers; ++i)
            replies.push_back("Answer " + std::to_string(i));
        dir.write("config.ini", configText("T", phrases, replies));
        program.activated();
        log.clear();
    }
    // Writes config.ini (unless empty), reloads, and returns the load error shown, if any; the log
    // holds the reload's lines.
    std::string reload(const std::string& config = "") {
        if (!config.empty())
            dir.write("config.ini", config);
        log.clear();
        form.mnuReload_Click();
        for (const std::string& line : log)
            if (line.starts_with(kLoadError))
                return line.substr(sizeof kLoadError - 1);
        return "";
    }
    // The first n entries of a list, each followed by "|".
    static std::string first(int n, const TextList& list) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += toUtf8(list[i]) + "|";
        return text;
    }
    std::string sound(const std::string& name) { return "sound " + dir.prefix() + name + ".wav"; }

    // The random timer as "interval on|off ticking|stopped": its own state and its clock's.
    std::string randomTimer() const {
        return std::to_string(form.tmrRandom.interval()) +
               (form.tmrRandom.enabled() ? " on" : " off") +
               (randomDriver.running ? " ticking" : " stopped");
    }
    // The lines logged since the last call.
    EventLog take() { return std::exchange(log, {}); }

    ContentDir dir;
    EventLog log;
    FakePlatform platform{log, decodeUtf8Lenient(dir.path().string())};
    FakeWindow window{log};
    FakeTimerDriver randomDriver, flashDriver;
    Program program{window, platform, randomDriver, flashDriver};
    Form1& form = program.form();
    const SpeechState& speech = form.speech();
};

TEST_F(Tobble, StartUpRunsItsStepsInOrderOnceAndSpeaksNoMoreByItself) {
    dir.write("config.ini", configText("Title", {"Hello there"}, {}));
    form.Form_Activate();
    EXPECT_EQ(take(), (EventLog{"topmost 4242", "picture " + dir.prefix() + "picture.jpg", "image",
                                "title Title", sound("0"), "label Hello there"}));
    form.Form_Activate();
    EXPECT_TRUE(log.empty());
    for (const char16_t* directory : {u"/", u"C:\\"}) { // no second separator
        platform.system.directory = directory;
        form.GETPATH();
        EXPECT_EQ(program.module().AppDir, directory);
    }
}

TEST_F(Tobble, ClicksFlashAndPickAnyLineButTheGreetingAndEnterAnyAnswerWithoutAFlash) {
    start(12, 10);
    std::set<int> lines, answers;
    for (int i = 0; i < 600; ++i) {
        form.Label2_Click(1);
        const std::string n = std::to_string(speech.CurrentIndex);
        lines.insert(speech.CurrentIndex);
        form.Text1_KeyDown(vbKeyReturn, i % 8);
        const std::string m = std::to_string(speech.CurrentIndex);
        answers.insert(speech.CurrentIndex);
        ASSERT_EQ(take(), (EventLog{"back 255", sound(n), "label Line " + n, sound("a" + m),
                                    "label Answer " + m}));
        ASSERT_EQ(flashDriver.runningInterval, 100) << "the flash's length";
    }
    EXPECT_EQ(lines.size(), 12u);
    EXPECT_EQ(answers.size(), 10u);
}

TEST_F(Tobble, WithNoLinesOrAnswersItIsAlwaysNumberOneAndTheFlashTimerEndsAFlash) {
    start(0, 0);
    form.tmrRandom_Timer();
    form.tmrFlash_Timer();
    form.Text1_KeyDown(vbKeyReturn, 0);
    EXPECT_EQ(take(),
              (EventLog{"back 255", sound("1"), "label ", "back 0", sound("a1"), "label "}));
    EXPECT_FALSE(form.tmrFlash.enabled());
    EXPECT_FALSE(flashDriver.running);
}

// About plays the greeting but leaves what Say What? replays: the last line or answer spoken.
TEST_F(Tobble, SayWhatReplaysTheGreetingFirstAndAboutPlaysItAndShowsWhoMadeTobble) {
    start(2, 1);
    form.mnuRepeat_Click();
    form.mnuAbout_Click(); // with no web address: the project owns none to point people at
    EXPECT_EQ(take(), (EventLog{"back 255", sound("0"), sound("0"),
                                "box 32 About Tobble: Tobble was written by the Tobble "
                                "developers. The voice and the sounds were made by the Tobble "
                                "developers with espeak-ng. This is version 1.0!"}));
    form.Text1_KeyDown(vbKeyReturn, 0);
    form.mnuAbout_Click();
    form.mnuRepeat_Click();
    EXPECT_EQ(log.back(), sound("a1"));
    EXPECT_EQ(speech.LastSound, decodeUtf8Lenient(dir.prefix()) + u"a1.wav");
}

TEST_F(Tobble, SetTimeAlwaysOffers20000AndTakesOnlyANumberInRange) {
    start(1, 1);
    for (const char16_t* answer : {u"", u" ", u"+", u"abc", u"32768", u"-1", u"-32768", u"1e3",
                                   u"10.5", u"0x10", u"12 34", u"٣"}) {
        platform.desktop.inputAnswer = answer;
        form.mnuSetTime_Click();
        EXPECT_EQ(take(), EventLog{kSetTimeAsk});
        EXPECT_EQ(randomTimer(), "20000 off stopped");
    }
    platform.desktop.inputAnswer = u" 1000 ";
    form.mnuSetTime_Click();
    EXPECT_EQ(randomTimer(), "1000 on ticking");
    EXPECT_FALSE(window.isChecked(MenuCommand::mnuOnOff)) << "auto-play runs unchecked";
    form.mnuOnOff_Click(); // finds it unchecked: keeps auto-play on and checks it
    EXPECT_EQ(randomTimer(), "1000 on ticking");
    EXPECT_TRUE(window.isChecked(MenuCommand::mnuOnOff));
    form.mnuOnOff_Click();
    EXPECT_EQ(randomTimer(), "1000 off stopped") << "Auto Smack off stops auto-play";
    EXPECT_FALSE(window.isChecked(MenuCommand::mnuOnOff)) << "and takes its check mark away";
    form.mnuOnOff_Click();
    const int starts = randomDriver.starts;
    platform.desktop.inputAnswer = u"00"; // taken, and stops the ticks
    form.mnuSetTime_Click();
    EXPECT_EQ(randomTimer(), "0 on stopped");
    platform.desktop.inputAnswer = u"+32767";
    form.mnuSetTime_Click();
    EXPECT_GT(randomDriver.starts, starts) << "the countdown restarts";
    EXPECT_EQ(randomDriver.running ? randomDriver.runningInterval : 0, 32767);
}

// The click area moves with the picture; the menu session sees the rest on the real windows.
TEST_F(Tobble, ShrinkGoesCompactAndBackToTheNormalLayout) {
    form.mnuShrink_Click();
    EXPECT_TRUE(window.isChecked(MenuCommand::mnuShrink));
    form.mnuShrink_Click();
    EXPECT_FALSE(window.isChecked(MenuCommand::mnuShrink));
    EXPECT_EQ(take(),
              (EventLog{"image1 at 0 0", "label2.1 at 240 120", "height 2900", "width 1750",
                        "image1 at 240 240", "label2.1 at 480 360", "width 2295", "height 5640"}));
}

// "S" from Auto Smack wraps round to Shrink; a letter of no item does nothing.
TEST(MenuAccessKeys, TheSharedKeyWrapsRoundAndALetterOfNoItemChoosesNothing) {
    const auto shrink = nextItemForKey(kMenuEntries, u's', 4);
    ASSERT_TRUE(shrink);
    EXPECT_EQ(shrink->index, 2);
    EXPECT_FALSE(shrink->execute);
    EXPECT_FALSE(nextItemForKey(kMenuEntries, u'x', 2));
    EXPECT_FALSE(nextItemForKey(kMenuEntries, u'&', 2));
}

TEST_F(Tobble, AFailureOfOpenConfigIsIgnoredAndAnUnexpectedOneIsShownAndTheProgramGoesOn) {
    start(1, 1);
    platform.processes.failProcessStart = true;
    form.mnuOpenConfig_Click();
    EXPECT_EQ(take(), EventLog{"start editor config.ini in " + dir.prefix() + " show 1"});
    platform.desktop.inputBoxBreaks = true;
    program.menuChosen(MenuCommand::mnuSetTime);
    EXPECT_EQ(take(), (EventLog{kSetTimeAsk, "box 16 Tobble: Tobble could not finish what it was "
                                             "doing:  out of memory"}));
    program.label2Clicked(1);
    EXPECT_EQ(log.back(), "label Line 1");
}

// A character the user cannot change: Yes copies its files into a new folder of the user's own,
// opens the copy, starts it and ends; a failed copy leaves nothing.
TEST_F(Tobble, OpenConfigOffersAnUnwritableCharacterAsACopyOfTheUsersOwn) {
    dir.write("config.ini", configText("Zig/Zag: *1*", {"Hi"}, {}));
    dir.write("A1.WAV", "RIFF answer");
    dir.write("notes.txt", "not the character's");
    program.activated();
    const ContentDir home;
    platform.own.folder = decodeUtf8Lenient((home.path() / "own" / "Tobble").string());
    platform.system.writable = false;
    const std::string ask = "ask Tobble: Tobble's files can't be changed from your account. Make "
                            "your own copy of this character to change?";
    take();
    platform.desktop.answerYes = true;
    for (const std::string name : {"Zig_Zag_ _1_", "Zig_Zag_ _1_ 2"}) {
        const std::filesystem::path copy = home.path() / "own" / "Tobble" / name;
        form.mnuOpenConfig_Click();
        EXPECT_EQ(take(), (EventLog{ask, "startable " + copy.string() + " as " + name,
                                    "start editor config.ini in " + copy.string() + " show 1",
                                    "start character " + copy.string(), "end"}));
        std::set<std::string> copied;
        for (const auto& file : std::filesystem::directory_iterator(copy))
            copied.insert(file.path().filename().string());
        EXPECT_EQ(copied, (std::set<std::string>{"A1.WAV", "config.ini", "picture.jpg"}));
    }

    std::filesystem::remove_all(home.path() / "own");
    platform.own.startableFailure = u"No space left on device";
    form.mnuOpenConfig_Click();
    EXPECT_EQ(take().back(), "box 16 Tobble: Your own copy of this character could not be made:  "
                             "No space left on device");
    EXPECT_FALSE(std::filesystem::exists(home.path() / "own")) << "nothing half-made is left";
    for (const auto& [title, name] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u" ..", u"Tobble"},
             {u"nul.txt", u"nul_.txt"},
             {u"COM1", u"COM1_"},
             {u".hidden. ", u"hidden"},
             {std::u16string(63, u'x') + u"\U0001F600", std::u16string(63, u'x')}})
        EXPECT_EQ(toUtf8(safeFileName(title)), toUtf8(name));
}

// Nothing is cleared: entries beyond the new counts and what a failed load read stay.
TEST_F(Tobble, ReloadFillsLinesAndAnswersOverTheOldOnesAndAfterAFailedLoad) {
    EXPECT_EQ(reload(configText("My Tobble", {"Hello", "Line one", "Line two"}, {"Y", "N", "M"})),
              "");
    EXPECT_EQ(first(4, speech.Phrases) + first(5, speech.Answers), "Hello|Line one|Line two||"
                                                                   "|Y|N|M||");

    // Zero lines reads only the greeting, zero answers reads none.
    EXPECT_EQ(reload("x,Title,x,0,Greeting,skipped,0,not an answer"), "");
    EXPECT_EQ(first(3, speech.Phrases) + first(2, speech.Answers),
              "Greeting|Line one|Line two||Y|");
    EXPECT_EQ(speech.PhraseCount * 10 + speech.AnswerCount, 0);

    EXPECT_NE(reload("x\r\n\"Half\"\r\nx\r\n2\r\n\"Hi\"\r\n\"one\"\r\n"), "");
    EXPECT_EQ(speech.PhraseCount, 2);
    EXPECT_EQ(first(3, speech.Phrases), "Hi|one|Line two|");
    EXPECT_EQ(reload(configText("Whole", {"Hi", "one", "two"}, {"yes"})), "");
    EXPECT_EQ(first(3, speech.Phrases) + first(3, speech.Answers), "Hi|one|two||yes|N|");
}

TEST_F(Tobble, FilesAreFoundInAnotherCaseButNotGuessedBetweenTwo) {
    dir.remove("picture.jpg");
    dir.write("Picture.JPG", "picture");
    if (std::filesystem::exists(dir.path() / "picture.jpg"))
        GTEST_SKIP() << "this file system finds every spelling by itself";
    dir.write("Config.INI", configText("Upper", {"G"}, {"Yes"}));
    dir.write("A1.WAV", "RIFF");
    EXPECT_EQ(reload(), "");
    EXPECT_EQ(log.front(), "picture " + dir.prefix() + "Picture.JPG");
    EXPECT_EQ(take().back(), "title Upper");
    form.Text1_KeyDown(vbKeyReturn, 0);
    EXPECT_EQ(log[0], "sound " + dir.prefix() + "A1.WAV");
    EXPECT_EQ(speech.LastSound, decodeUtf8Lenient(dir.prefix() + "a1.wav"));
    log.clear();
    form.mnuOpenConfig_Click(); // the file as spelled, not a new empty one
    EXPECT_EQ(log, EventLog{"start editor Config.INI in " + dir.prefix() + " show 1"});
    dir.write("CONFIG.INI", configText("Two", {"G"}, {}));
    EXPECT_TRUE(reload().starts_with("File not found")) << "Config.INI or CONFIG.INI?";
}

} // namespace
} // namespace tobble::testing
