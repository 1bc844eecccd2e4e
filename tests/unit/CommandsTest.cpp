#include <gtest/gtest.h>

#include "Fakes.h"

namespace tobble::testing {
namespace {

struct Started : ::testing::Test {
    Started() {
        h.dir.write("config.ini", configText("T", {"G", "one"}, {"yes"}));
        h.start();
    }
    Harness h;
};

using AutoSmack = Started;
using SetTime = Started;
using Shrink = Started;
using About = Started;
using OpenConfig = Started;

TEST_F(AutoSmack, FirstChoiceStartsAutoPlayAndSecondStopsIt) {
    h.form.mnuOnOff_Click();
    EXPECT_TRUE(h.window.isChecked(MenuCommand::mnuOnOff));
    EXPECT_TRUE(h.form.tmrRandom.enabled());
    EXPECT_EQ(h.randomDriver.runningInterval, 20000);
    h.form.mnuOnOff_Click();
    EXPECT_FALSE(h.window.isChecked(MenuCommand::mnuOnOff));
    EXPECT_FALSE(h.form.tmrRandom.enabled());
    EXPECT_FALSE(h.randomDriver.running);
}

TEST_F(SetTime, AsksWithItsPromptAndAlwaysOffers20000) {
    h.platform.inputAnswers = {u"5000", u""};
    h.form.mnuSetTime_Click();
    h.form.mnuSetTime_Click();
    const std::string ask = "input Set Auto Play Time: Enter a time in milliseconds (10 seconds = "
                            "10000). [20000]";
    EXPECT_EQ(h.log, (EventLog{ask, ask}));
}

TEST_F(SetTime, ANumberSetsTheIntervalAndRunsAutoPlayWithoutTheCheckMark) {
    h.platform.inputAnswers = {u" 1000 "};
    h.form.mnuSetTime_Click();
    EXPECT_EQ(h.form.tmrRandom.interval(), 1000);
    EXPECT_TRUE(h.form.tmrRandom.enabled());
    EXPECT_TRUE(h.randomDriver.running);
    EXPECT_EQ(h.randomDriver.runningInterval, 1000);
    EXPECT_FALSE(h.window.isChecked(MenuCommand::mnuOnOff));

    h.form.mnuOnOff_Click(); // finds it unchecked: keeps auto-play on and checks it
    EXPECT_TRUE(h.form.tmrRandom.enabled());
    EXPECT_TRUE(h.window.isChecked(MenuCommand::mnuOnOff));
}

TEST_F(SetTime, RestartsTheCountdownWhenAlreadyRunning) {
    h.form.mnuOnOff_Click();
    const int starts = h.randomDriver.starts;
    h.platform.inputAnswers = {u"20000"};
    h.form.mnuSetTime_Click();
    EXPECT_GT(h.randomDriver.starts, starts);
}

TEST_F(SetTime, AnythingButANumberInRangeChangesNothing) {
    for (const char16_t* answer :
         {u"", u"abc", u"32768", u"-1", u"-32768", u"1e3", u"10.5", u"0x10", u"12 34"}) {
        h.platform.inputAnswers = {answer};
        h.form.mnuSetTime_Click();
        EXPECT_EQ(h.form.tmrRandom.interval(), 20000);
        EXPECT_FALSE(h.form.tmrRandom.enabled());
    }
}

TEST_F(SetTime, ZeroIsTakenAndStopsTheTicks) {
    h.form.mnuOnOff_Click();
    h.platform.inputAnswers = {u"0"};
    h.form.mnuSetTime_Click();
    EXPECT_EQ(h.form.tmrRandom.interval(), 0);
    EXPECT_TRUE(h.form.tmrRandom.enabled());
    EXPECT_FALSE(h.randomDriver.running);
    h.platform.inputAnswers = {u"32767"};
    h.form.mnuSetTime_Click();
    EXPECT_TRUE(h.randomDriver.running);
    EXPECT_EQ(h.randomDriver.runningInterval, 32767);
}

TEST_F(Shrink, GoesCompactAndBackToTheNormalLayout) {
    h.form.mnuShrink_Click();
    EXPECT_TRUE(h.window.isChecked(MenuCommand::mnuShrink));
    EXPECT_EQ(h.window.image1At, (std::pair{0, 0}));
    EXPECT_EQ(h.window.label2At, (std::pair{240, 120}));
    EXPECT_EQ(h.window.label2Index, 1);
    EXPECT_EQ(h.take(), (EventLog{"height 2900", "width 1750"}));

    h.form.mnuShrink_Click();
    EXPECT_FALSE(h.window.isChecked(MenuCommand::mnuShrink));
    EXPECT_EQ(h.window.image1At, (std::pair{240, 240}));
    EXPECT_EQ(h.window.label2At, (std::pair{480, 360}));
    EXPECT_EQ(h.take(), (EventLog{"width 2295", "height 5640"}));
}

TEST_F(About, PlaysTheGreetingAndShowsTheCreditsThenSayWhatRepeatsTheLastLine) {
    h.form.tmrRandom_Timer();
    h.take();
    h.form.mnuAbout_Click();
    const EventLog log = h.take();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "sound " + h.dir.prefix() + "0.wav");
    EXPECT_TRUE(log[1].starts_with("box 32 About Tobble: "));
    EXPECT_NE(log[1].find("This is version 1.0!"), std::string::npos);
    // No web address: the project owns none to point people at.
    EXPECT_EQ(log[1].find("://"), std::string::npos) << log[1];
    h.form.mnuRepeat_Click();
    EXPECT_EQ(h.take(), (EventLog{"back 255", "sound " + h.dir.prefix() + "1.wav"}));
}

TEST_F(About, QuitEndsTheProgram) {
    h.form.mnuQuit_Click();
    EXPECT_EQ(h.log, EventLog{"end"});
}

TEST_F(OpenConfig, StartsTheEditorOnTheRelativeNameInTheProgramsDirectory) {
    h.form.mnuOpenConfig_Click();
    EXPECT_EQ(h.log, EventLog{"start editor config.ini in " + h.dir.prefix() + " show 1"});
}

TEST_F(OpenConfig, NamesTheFileAsItIsSpelled) {
    if (h.dir.ignoresCase())
        GTEST_SKIP() << "this file system finds every spelling by itself";
    h.dir.remove("config.ini");
    h.dir.write("Config.ini", "x");
    h.form.mnuOpenConfig_Click();
    EXPECT_EQ(h.log, EventLog{"start editor Config.ini in " + h.dir.prefix() + " show 1"});
}

TEST_F(OpenConfig, AnEditorThatCannotStartIsIgnored) {
    h.platform.failProcessStart = true;
    h.form.mnuOpenConfig_Click();
    EXPECT_EQ(h.log.size(), 1u) << "no message box follows";
}

TEST_F(About, AnUnexpectedFailureIsShownAndTheProgramGoesOn) {
    h.platform.inputBoxBreaks = true;
    h.program.menuChosen(MenuCommand::mnuSetTime);
    const EventLog log = h.take();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "box 16 Tobble: Tobble could not finish what it was doing:  out of memory");
    h.program.label2Clicked(1);
    EXPECT_EQ(h.window.label1, u"one");
}

} // namespace
} // namespace tobble::testing
