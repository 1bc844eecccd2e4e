#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Program.h"
#include "content/TextEncoding.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "ui/Window.h"

namespace tobble::testing {

// Everything the fakes see, in order, as readable lines ("sound /dir/0.wav", "caption Hi").
using EventLog = std::vector<std::string>;

class FakeTimerDriver : public TimerDriver {
public:
    void start(int intervalMs) override {
        running = true;
        runningInterval = intervalMs;
        ++starts;
    }
    void stop() override { running = false; }

    bool running = false;
    int runningInterval = 0;
    int starts = 0;
};

class FakePlatform : public Platform {
public:
    FakePlatform(EventLog& log, std::u16string directory)
        : log_(log), directory_(std::move(directory)) {}

    void playSoundAsync(const std::u16string& path) override {
        log_.push_back("sound " + toUtf8(path));
    }
    void makeTopmost(WindowHandle hWnd) override {
        log_.push_back("topmost " + std::to_string(hWnd));
    }
    void messageBox(const std::u16string& text, int style, const std::u16string& title) override {
        log_.push_back("box " + std::to_string(style) + " " + toUtf8(title) + ": " + toUtf8(text));
    }
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override {
        log_.push_back("input " + toUtf8(title) + ": " + toUtf8(prompt) + " [" +
                       toUtf8(defaultText) + "]");
        if (inputBoxBreaks)
            throw std::runtime_error("out of memory");
        std::u16string answer = inputAnswers.empty() ? u"" : inputAnswers.front();
        if (!inputAnswers.empty())
            inputAnswers.pop_front();
        return answer;
    }
    PicturePtr loadPicture(const std::u16string& path) override {
        log_.push_back("picture " + toUtf8(path));
        if (!std::filesystem::is_regular_file(std::filesystem::path(path)))
            throw Failure(u"File not found: " + path);
        return std::make_shared<Picture>();
    }
    void startProcess(const std::u16string& commandLine, const std::u16string& workingDirectory,
                      int showState) override {
        log_.push_back("start " + toUtf8(commandLine) + " in " + toUtf8(workingDirectory) +
                       " show " + std::to_string(showState));
        if (failProcessStart)
            throw Failure(u"File not found");
    }
    std::u16string editorProgram() const override { return u"editor"; }
    double timeOfDay() override { return clock += 0.001; }
    std::u16string programDirectory() override { return directory_; }
    char16_t directorySeparator() const override { return u'/'; }
    std::u16string decodeAnsi(std::string_view bytes) override { return decodeWindows1252(bytes); }
    void endProgram() override { log_.push_back("end"); }

    std::deque<std::u16string> inputAnswers;
    bool failProcessStart = false;
    bool inputBoxBreaks = false; // an unexpected failure, of the kind no handler treats
    double clock = 43200.0;

private:
    EventLog& log_;
    std::u16string directory_;
};

class FakeWindow : public Window {
public:
    explicit FakeWindow(EventLog& log) : log_(log) {}

    WindowHandle hWnd() const override { return 4242; }
    void setBackColor(std::uint32_t colour) override {
        backColor = colour;
        log_.push_back("back " + std::to_string(colour));
    }
    void setCaption(const std::u16string& text) override {
        caption = text;
        log_.push_back("title " + toUtf8(text));
    }
    void setLabel1Caption(const std::u16string& text) override {
        label1 = text;
        log_.push_back("label " + toUtf8(text));
    }
    void setImage1Picture(PicturePtr p) override {
        picture = std::move(p);
        log_.push_back("image");
    }
    void moveImage1(int left, int top) override { image1At = {left, top}; }
    void moveLabel2(int index, int left, int top) override {
        label2Index = index;
        label2At = {left, top};
    }
    void setWidth(int twips) override {
        width = twips;
        log_.push_back("width " + std::to_string(twips));
    }
    void setHeight(int twips) override {
        height = twips;
        log_.push_back("height " + std::to_string(twips));
    }
    bool isChecked(MenuCommand item) const override {
        const auto it = checks.find(item);
        return it != checks.end() && it->second;
    }
    void setChecked(MenuCommand item, bool checked) override { checks[item] = checked; }

    std::uint32_t backColor = 0;
    std::u16string caption = u"Its Tobble!";
    std::u16string label1;
    PicturePtr picture;
    std::pair<int, int> image1At{240, 240};
    std::pair<int, int> label2At{480, 360};
    int label2Index = 0;
    int width = 2295;
    int height = 5640;
    std::map<MenuCommand, bool> checks;

private:
    EventLog& log_;
};

// A content directory of its own, removed afterwards.
class ContentDir {
public:
    ContentDir();
    ~ContentDir();
    ContentDir(const ContentDir&) = delete;
    ContentDir& operator=(const ContentDir&) = delete;

    void write(const std::string& name, const std::string& bytes) const;
    // True where the file system takes "A.TXT" and "a.txt" for one file, as Windows does.
    bool ignoresCase() const;
    void remove(const std::string& name) const;
    const std::filesystem::path& path() const { return path_; }
    // The directory as the program spells it, ending in "/".
    std::string prefix() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

// The program's logic over fakes, with a content directory holding a picture.
struct Harness {
    Harness();

    // Runs the start-up sequence and forgets what it logged.
    void start();
    // The lines logged since the last call.
    EventLog take();

    ContentDir dir;
    EventLog log;
    FakePlatform platform;
    FakeWindow window;
    FakeTimerDriver randomDriver;
    FakeTimerDriver flashDriver;
    Program program;
    Form1& form;
};

// A config.ini with the given title, lines (greeting first) and answers, every item quoted.
std::string configText(const std::string& title, const std::vector<std::string>& phrases,
                       const std::vector<std::string>& answers);

} // namespace tobble::testing
