#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "app/CharacterFileOpening.h"
#include "content/CharacterPacker.h"

namespace tobble::testing {
namespace {

namespace fs = std::filesystem;

std::string bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return (std::ostringstream() << in.rdbuf()).str();
}

// A character file made from a folder, opened with the user's own characters in a folder of
// their own.
struct CharacterFile : ::testing::Test {
    CharacterFile() {
        character.write("config.ini", configText("Zig: Zag", {"Hi"}, {"Yes"}));
        character.write("1.wav", "not even a sound");
        packCharacter(character.path(), {u"config.ini", u"1.wav"}, archive());
        platform.own.folder = (home.path() / "Tobble").u16string();
    }
    fs::path archive() const { return files.path() / "zig.tobble"; }
    int open() { return openCharacterFile(archive().u16string(), platform); }
    std::string own(const std::string& name) const {
        return (home.path() / "Tobble" / name).string();
    }

    ContentDir character, files, home;
    EventLog log;
    FakePlatform platform{log, u"/unused"};
};

constexpr char kAsk[] = "ask Tobble: Add the character \"Zig: Zag\" to your characters?";

TEST_F(CharacterFile, NoWritesNothingAndYesAddsTheCharacterAsAnOwnCopyAndStartsIt) {
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(log, EventLog{kAsk});
    EXPECT_FALSE(fs::exists(home.path() / "Tobble"));

    platform.desktop.answerYes = true;
    for (const std::string name : {"Zig_ Zag", "Zig_ Zag 2"}) { // a second copy beside the first
        log.clear();
        EXPECT_EQ(open(), 0);
        EXPECT_EQ(log, (EventLog{kAsk, "startable " + own(name) + " as " + name,
                                 "start character " + own(name)}));
        EXPECT_EQ(bytes(own(name) + "/config.ini"), bytes(character.path() / "config.ini"));
        EXPECT_EQ(bytes(own(name) + "/1.wav"), "not even a sound");
    }
}

TEST_F(CharacterFile, ABadFileOrAFailureToAddItIsToldAndLeavesNothing) {
    platform.desktop.answerYes = true;
    platform.own.startableFailure = u"no menu";
    EXPECT_EQ(open(), 1);
    EXPECT_EQ(log, (EventLog{kAsk, "startable " + own("Zig_ Zag") + " as Zig_ Zag",
                             "box 16 Tobble: The character could not be added:  no menu"}));
    EXPECT_FALSE(fs::exists(home.path() / "Tobble")) << "the folder it made for it goes too";

    const auto refused = [&](const std::string& reason) {
        log.clear();
        EXPECT_EQ(open(), 1);
        EXPECT_EQ(log, EventLog{"box 16 Tobble: This character file cannot be added:  " + reason});
    };
    character.write("config.ini", "\"Tobble\"\r\n\"T\"\r\n\"Lines\"\r\nmany\r\n");
    packCharacter(character.path(), {u"config.ini"}, archive());
    refused("Error opening the config.ini file!  Exact error was:  the number of lines at line 4 "
            "should be a whole number, but it reads \"many\"");
    std::ofstream(archive(), std::ios::binary) << "not a zip";
    refused("this is not a ZIP archive (" + archive().string() + ")");
    EXPECT_FALSE(fs::exists(home.path() / "Tobble"));
}

TEST(CharacterFileArgument, OnlyATobbleFileInAnyCaseIsOne) {
    for (const char16_t* file : {u"/x/Ziggy.TOBBLE", u"a.tobble"})
        EXPECT_TRUE(namesCharacterFile(file));
    for (const char16_t* other : {u".tobble", u"a.tobble.zip", u"--help"})
        EXPECT_FALSE(namesCharacterFile(other));
}

} // namespace
} // namespace tobble::testing
