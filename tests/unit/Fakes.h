#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1.h"
#include "app/Program.h"
#include "base/Failure.h"
#include "base/TextEncoding.h"
#include "seams/Platform.h"
#include "ui/Window.h"

namespace tobble::testing {

// Everything the fakes see, in order, as readable lines ("sound /dir/0.wav", "title Hi").
using EventLog = std::vector<std::string>;

struct FakeTimerDriver : TimerDriver {
    void start(int intervalMs) override { running = true, runningInterval = intervalMs, ++starts; }
    void stop() override { running = false; }
    bool running = false;
    int runningInterval = 0, starts = 0;
};

// Each seam's fake logs what it is asked to the one log, and answers as the test sets it.
struct Logged {
    explicit Logged(EventLog& to) : log(to) {}
    EventLog& log;
    void say(std::string line) const { log.push_back(std::move(line)); }
};

struct FakeSound : Logged, Sound {
    using Logged::Logged;
    void playSoundAsync(const std::u16string& path) override { say("sound " + toUtf8(path)); }
};

struct FakeDesktop : Logged, Desktop {
    using Logged::Logged;
    void makeTopmost(WindowHandle hWnd) override { say("topmost " + std::to_string(hWnd)); }
    void messageBox(const std::u16string& text, int style, const std::u16string& title) override {
        say("box " + std::to_string(style) + " " + toUtf8(title) + ": " + toUtf8(text));
    }
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override {
        say("input " + toUtf8(title) + ": " + toUtf8(prompt) + " [" + toUtf8(defaultText) + "]");
        if (inputBoxBreaks)
            throw std::runtime_error("out of memory");
        return std::exchange(inputAnswer, u"");
    }
    bool askYesNo(const std::u16string& text, const std::u16string& title) override {
        say("ask " + toUtf8(title) + ": " + toUtf8(text));
        return answerYes;
    }
    std::u16string inputAnswer;  // what the next input box returns
    bool inputBoxBreaks = false; // an unexpected failure, of the kind no handler treats
    bool answerYes = false;
};

struct FakePictures : Logged, PictureDecoder {
    using Logged::Logged;
    PicturePtr loadPicture(const std::u16string& path) override {
        say("picture " + toUtf8(path));
        if (!std::filesystem::is_regular_file(std::filesystem::path(path)))
            throw Failure(u"File not found: " + path);
        return std::make_shared<Picture>();
    }
};

struct FakeProcesses : Logged, Processes {
    using Logged::Logged;
    void startProcess(const std::u16string& commandLine, const std::u16string& workingDirectory,
                      int showState) override {
        say("start " + toUtf8(commandLine) + " in " + toUtf8(workingDirectory) + " show " +
            std::to_string(showState));
        if (failProcessStart)
            throw Failure(u"File not found");
    }
    std::u16string editorProgram() const override { return u"editor"; }
    void endProgram() override { say("end"); }
    bool failProcessStart = false;
};

struct FakeSystem : SystemFacts {
    double timeOfDay() override { return clock += 0.001; }
    std::u16string programDirectory() override { return directory; }
    char16_t directorySeparator() const override { return u'/'; }
    std::u16string decodeAnsi(std::string_view bytes) override { return decodeWindows1252(bytes); }
    bool mayWrite(const std::u16string&) override { return writable; }
    std::u16string directory;
    double clock = 43200.0;
    bool writable = true;
};

struct FakeOwnCharacters : Logged, OwnCharacters {
    using Logged::Logged;
    std::u16string ownCharactersFolder() override { return folder; }
    void makeStartable(const std::u16string& copy, const std::u16string& name) override {
        say("startable " + toUtf8(copy) + " as " + toUtf8(name));
        if (!startableFailure.empty())
            throw Failure(startableFailure);
    }
    void startCharacter(const std::u16string& copy) override {
        say("start character " + toUtf8(copy));
    }
    std::u16string folder, startableFailure; // the user's characters; a failure to make one
};

// Every seam's fake, for a program whose character is in directory.
struct FakePlatform {
    FakePlatform(EventLog& to, std::u16string directory)
        : sound(to), desktop(to), pictures(to), processes(to), own(to) {
        system.directory = std::move(directory);
    }
    operator Platform() { return {sound, desktop, pictures, processes, system, own}; }

    FakeSound sound;
    FakeDesktop desktop;
    FakePictures pictures;
    FakeProcesses processes;
    FakeSystem system;
    FakeOwnCharacters own;
};

// Logs all it is told but the check marks, which it keeps to be looked at.
struct FakeWindow : Window {
    explicit FakeWindow(EventLog& to) : log(to) {}

    WindowHandle hWnd() const override { return 4242; }
    void setBackColor(std::uint32_t c) override { log.push_back("back " + std::to_string(c)); }
    void setCaption(const std::u16string& text) override {
        log.push_back("title " + toUtf8(text));
        caption = text;
    }
    std::u16string currentCaption() const override { return caption; }
    void setLabel1Caption(const std::u16string& s) override { log.push_back("label " + toUtf8(s)); }
    void setImage1Picture(PicturePtr p) override { log.push_back(p ? "image" : "no image"); }
    void moveImage1(int left, int top) override { at("image1", left, top); }
    void moveLabel2(int i, int left, int top) override {
        at("label2." + std::to_string(i), left, top);
    }
    void setWidth(int twips) override { log.push_back("width " + std::to_string(twips)); }
    void setHeight(int twips) override { log.push_back("height " + std::to_string(twips)); }
    bool isChecked(MenuCommand item) const override { return checks[item]; }
    void setChecked(MenuCommand item, bool checked) override { checks[item] = checked; }

    void at(const std::string& what, int left, int top) {
        log.push_back(what + " at " + std::to_string(left) + " " + std::to_string(top));
    }
    EventLog& log;
    std::u16string caption;
    mutable std::map<MenuCommand, bool> checks;
};

// A content directory of its own, removed afterwards.
struct ContentDir {
    ContentDir() {
        static std::atomic<int> counter{0};
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("tobble-test-" + std::to_string(now) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ContentDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    void remove(const std::string& name) const { std::filesystem::remove_all(path_ / name); }
    const std::filesystem::path& path() const { return path_; }
    // The directory as the program spells it, ending in "/".
    std::string prefix() const { return path_.string() + "/"; }
    std::filesystem::path path_;
};

// A config.ini with the given title, lines (greeting first) and answers, every item quoted.
inline std::string configText(const std::string& title, const std::vector<std::string>& phrases,
                              const std::vector<std::string>& answers) {
    std::string text = "\"Tobble\"\r\n\"" + title + "\"\r\n\"Lines\"\r\n" +
                       std::to_string(phrases.size() - 1) + "\r\n";
    for (const std::string& phrase : phrases)
        text += "\"" + phrase + "\"\r\n";
    text += "\"Answers\"\r\n" + std::to_string(answers.size()) + "\r\n";
    for (const std::string& answer : answers)
        text += "\"" + answer + "\"\r\n";
    return text;
}

inline std::string le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

inline std::string chunk(const std::string& id, const std::string& body) {
    return id + le(body.size(), 4) + body + std::string(body.size() % 2, '\0');
}

// A RIFF WAVE file of a format chunk, PCM (tag 1) or the extensible form naming its sub-format,
// then the other chunks given.
inline std::string wave(int tag, int bits, const std::string& chunks = "", int channels = 1) {
    std::string format = le(tag, 2) + le(channels, 2) + le(22050, 4) + le(22050 * bits / 8, 4) +
                         le(bits / 8, 2) + le(bits, 2);
    if (tag == 0xFFFE)
        format += le(22, 2) + le(bits, 2) + le(4, 4) + le(1, 2) + std::string(14, 'g');
    const std::string body = "WAVE" + chunk("fmt ", format) + chunks;
    return "RIFF" + le(body.size(), 4) + body;
}

} // namespace tobble::testing
