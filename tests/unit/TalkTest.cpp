#include <gtest/gtest.h>

#include <set>

#include "Fakes.h"
#include "app/SoundFiles.h"
#include "talk/Rnd.h"

namespace tobble::testing {
namespace {

Harness& startedWith(Harness& h, int lines, int answers) {
    std::vector<std::string> phrases{"Greeting"}, replies;
    for (int i = 1; i <= lines; ++i)
        phrases.push_back("Line " + std::to_string(i));
    for (int i = 1; i <= answers; ++i)
        replies.push_back("Answer " + std::to_string(i));
    h.dir.write("config.ini", configText("T", phrases, replies));
    h.start();
    return h;
}

TEST(Rand, StaysInItsRangeAndReachesBothEnds) {
    Harness h;
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int value = h.form.RAND(1, 6);
        ASSERT_GE(value, 1);
        ASSERT_LE(value, 6);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(h.form.RAND(1, 1), 1);
    EXPECT_EQ(h.form.RAND(1, 0), 1) << "an empty range gives its lower end";
    EXPECT_EQ(h.form.RAND(-5, -5), -5);
}

TEST(SoundFiles, NamesArePlainDecimal) {
    EXPECT_EQ(lineSoundName(7), u"7.wav");
    EXPECT_EQ(lineSoundName(100), u"100.wav");
    EXPECT_EQ(answerSoundName(3), u"a3.wav");
    EXPECT_EQ(decimalText(0), u"0");
}

TEST(RandomLine, FlashesPlaysShowsAndRemembersInThatOrder) {
    Harness h;
    startedWith(h, 1, 0).form.tmrRandom_Timer();
    const EventLog expected{"back 255", "sound " + h.dir.prefix() + "1.wav", "label Line 1"};
    EXPECT_EQ(h.log, expected);
    EXPECT_TRUE(h.form.tmrFlash.enabled());
    EXPECT_EQ(h.flashDriver.runningInterval, 100);
    EXPECT_EQ(h.form.speech().CurrentIndex, 1);
    EXPECT_EQ(h.form.speech().LastSound, decodeUtf8Lenient(h.dir.prefix() + "1.wav"));
}

TEST(RandomLine, SoundAndTextAlwaysBelongTogetherAndTheGreetingNeverComes) {
    Harness h;
    startedWith(h, 12, 0);
    std::set<int> seen;
    for (int i = 0; i < 600; ++i) {
        h.form.Label2_Click(1);
        const EventLog log = h.take();
        const int n = h.form.speech().CurrentIndex;
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 12);
        EXPECT_EQ(log[1], "sound " + h.dir.prefix() + std::to_string(n) + ".wav");
        EXPECT_EQ(log[2], "label Line " + std::to_string(n));
        seen.insert(n);
    }
    EXPECT_EQ(seen.size(), 12u);
}

TEST(RandomLine, WithNoLinesItIsAlwaysLineOne) {
    Harness h;
    startedWith(h, 0, 0).form.tmrRandom_Timer();
    EXPECT_EQ(h.form.speech().CurrentIndex, 1);
    EXPECT_EQ(h.log[1], "sound " + h.dir.prefix() + "1.wav");
    EXPECT_EQ(h.window.label1, u"");
}

TEST(RandomLine, AClickDoesNotTouchTheAutoPlayCountdown) {
    Harness h;
    startedWith(h, 3, 0);
    h.form.mnuOnOff_Click();
    const int starts = h.randomDriver.starts;
    h.form.Label2_Click(1);
    EXPECT_EQ(h.randomDriver.starts, starts);
    EXPECT_TRUE(h.randomDriver.running);
}

TEST(Flash, EndsOnTheFlashTimersTickAndASecondFlashKeepsItRed) {
    Harness h;
    startedWith(h, 2, 0);
    h.form.tmrRandom_Timer();
    h.form.tmrRandom_Timer();
    EXPECT_EQ(h.window.backColor, 255u);
    h.form.tmrFlash_Timer();
    EXPECT_EQ(h.window.backColor, 0u);
    EXPECT_FALSE(h.form.tmrFlash.enabled());
    EXPECT_FALSE(h.flashDriver.running);
}

TEST(SayWhat, ReplaysTheGreetingFirstThenTheLastLine) {
    Harness h;
    startedWith(h, 2, 0);
    h.form.mnuRepeat_Click();
    EXPECT_EQ(h.take(), (EventLog{"back 255", "sound " + h.dir.prefix() + "0.wav"}));
    h.form.tmrRandom_Timer();
    const int n = h.form.speech().CurrentIndex;
    const std::u16string label = h.window.label1;
    h.take();
    h.form.mnuRepeat_Click();
    EXPECT_EQ(h.take(),
              (EventLog{"back 255", "sound " + h.dir.prefix() + std::to_string(n) + ".wav"}));
    EXPECT_EQ(h.window.label1, label);
    EXPECT_EQ(h.form.speech().CurrentIndex, n);
}

TEST(Answer, EnterPlaysAndShowsARandomAnswerWithoutAFlash) {
    Harness h;
    startedWith(h, 2, 10);
    std::set<int> seen;
    for (int i = 0; i < 400; ++i) {
        h.form.Text1_KeyDown(vbKeyReturn, i % 8);
        const EventLog log = h.take();
        const int m = h.form.speech().CurrentIndex;
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0], "sound " + h.dir.prefix() + "a" + std::to_string(m) + ".wav");
        EXPECT_EQ(log[1], "label Answer " + std::to_string(m));
        seen.insert(m);
    }
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_FALSE(h.form.tmrFlash.enabled());
}

TEST(Answer, OtherKeysDoNothing) {
    Harness h;
    startedWith(h, 2, 2);
    h.form.Text1_KeyDown(65, 0);
    h.form.Text1_KeyDown(0, 0);
    EXPECT_TRUE(h.log.empty());
}

TEST(Answer, WithNoAnswersItIsAlwaysAnswerOne) {
    Harness h;
    startedWith(h, 2, 0).form.Text1_KeyDown(vbKeyReturn, 0);
    EXPECT_EQ(h.log[0], "sound " + h.dir.prefix() + "a1.wav");
}

TEST(Answer, SayWhatThenReplaysTheAnswer) {
    Harness h;
    startedWith(h, 3, 3);
    h.form.tmrRandom_Timer();
    h.form.Text1_KeyDown(vbKeyReturn, 0);
    const int m = h.form.speech().CurrentIndex;
    h.take();
    h.form.mnuRepeat_Click();
    EXPECT_EQ(h.log.back(), "sound " + h.dir.prefix() + "a" + std::to_string(m) + ".wav");
}

TEST(Sounds, AreFoundInAnotherCase) {
    Harness h;
    if (h.dir.ignoresCase())
        GTEST_SKIP() << "this file system finds every spelling by itself";
    h.dir.write("A1.WAV", "RIFF");
    startedWith(h, 0, 1).form.Text1_KeyDown(vbKeyReturn, 0);
    EXPECT_EQ(h.log[0], "sound " + h.dir.prefix() + "A1.WAV");
    EXPECT_EQ(h.form.speech().LastSound, decodeUtf8Lenient(h.dir.prefix() + "a1.wav"));
}

} // namespace
} // namespace tobble::testing
