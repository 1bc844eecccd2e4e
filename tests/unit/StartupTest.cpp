#include <gtest/gtest.h>

#include "Fakes.h"

namespace tobble::testing {
namespace {

TEST(Startup, RunsItsStepsInOrder) {
    Harness h;
    h.dir.write("config.ini", configText("Title", {"Hello there"}, {}));
    h.form.Form_Activate();
    const EventLog expected{
        "topmost 4242", "picture " + h.dir.prefix() + "picture.jpg", "image",
        "title Title",  "sound " + h.dir.prefix() + "0.wav",         "label Hello there",
    };
    EXPECT_EQ(h.log, expected);
    EXPECT_EQ(h.form.speech().LastSound, decodeUtf8Lenient(h.dir.prefix() + "0.wav"));
}

TEST(Startup, RunsOnlyOnTheFirstActivation) {
    Harness h;
    h.dir.write("config.ini", configText("Title", {"Hello"}, {}));
    h.form.Form_Activate();
    h.take();
    h.form.Form_Activate();
    EXPECT_TRUE(h.log.empty());
}

TEST(Startup, GoesOnAfterAFailedLoad) {
    Harness h;
    h.form.Form_Activate();
    ASSERT_EQ(h.log.size(), 6u);
    EXPECT_TRUE(h.log[3].starts_with("box 16 Error!: Error opening the config.ini file!  Exact "
                                     "error was:  File not found: "));
    EXPECT_EQ(h.log[4], "sound " + h.dir.prefix() + "0.wav");
    EXPECT_EQ(h.log[5], "label ");
    EXPECT_EQ(h.window.caption, u"Its Tobble!");
}

TEST(Startup, TimersStayOffAndNothingIsSpokenByItself) {
    Harness h;
    h.dir.write("config.ini", configText("T", {"G", "one"}, {"a"}));
    h.start();
    EXPECT_FALSE(h.form.tmrRandom.enabled());
    EXPECT_FALSE(h.randomDriver.running);
    EXPECT_FALSE(h.form.tmrFlash.enabled());
    EXPECT_EQ(h.window.backColor, 0u);
}

TEST(Getpath, EndsTheProgramDirectoryWithOneSeparator) {
    EventLog log;
    FakeWindow window(log);
    for (const auto& [directory, expected] :
         {std::pair<std::u16string, std::u16string>{u"/opt/tobble", u"/opt/tobble/"},
          {u"/", u"/"},
          {u"C:\\", u"C:\\"},
          {u"C:\\Toys", u"C:\\Toys/"}}) {
        FakePlatform platform(log, directory);
        FakeTimerDriver driver;
        Program program(window, platform, driver, driver);
        program.module().AppDir = u"left over";
        program.form().GETPATH();
        EXPECT_EQ(program.module().AppDir, expected);
    }
}

} // namespace
} // namespace tobble::testing
