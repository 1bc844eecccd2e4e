// The whole loader, Form1::mnuReload_Click, on an arbitrary config.ini: the file is written to a
// scratch directory that stands in for the program's directory. Checks that every failure ends in
// the one message box with the fixed text, and that a later good file always loads.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "UnseenWindow.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "base/Failure.h"
#include "base/TextEncoding.h"

namespace {

using namespace tobble;
namespace fs = std::filesystem;

class ScratchPlatform : public Platform {
public:
    explicit ScratchPlatform(std::u16string directory) : directory_(std::move(directory)) {}
    int boxes = 0;

    void playSoundAsync(const std::u16string&) override {}
    void makeTopmost(WindowHandle) override {}
    void messageBox(const std::u16string& text, int style, const std::u16string& title) override {
        static const std::u16string prefix =
            u"Error opening the config.ini file!  Exact error was:  ";
        if (!text.starts_with(prefix) || text.size() == prefix.size() || style != 16 ||
            title != u"Error!")
            std::abort();
        ++boxes;
    }
    std::u16string inputBox(const std::u16string&, const std::u16string&,
                            const std::u16string&) override {
        return {};
    }
    PicturePtr loadPicture(const std::u16string&) override { return std::make_shared<Picture>(); }
    void startProcess(const std::u16string&, const std::u16string&, int) override {}
    std::u16string editorProgram() const override { return u"editor"; }
    double timeOfDay() override { return 0.0; }
    std::u16string programDirectory() override { return directory_; }
    char16_t directorySeparator() const override { return u'/'; }
    std::u16string decodeAnsi(std::string_view bytes) override { return decodeWindows1252(bytes); }
    void endProgram() override {}
    bool askYesNo(const std::u16string&, const std::u16string&) override { return false; }
    bool mayWrite(const std::u16string&) override { return true; }
    std::u16string ownCharactersFolder() override { return {}; }
    void makeStartable(const std::u16string&, const std::u16string&) override {}
    void startCharacter(const std::u16string&) override {}

private:
    std::u16string directory_;
};

const fs::path& scratch() {
    static const fs::path directory = [] {
        std::string pattern = (fs::temp_directory_path() / "tobble-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        return fs::path(pattern);
    }();
    return directory;
}

void writeConfig(const char* data, std::size_t size) {
    std::ofstream out(scratch() / "config.ini", std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

constexpr char kGood[] = "x\n\"Good\"\nx\n1\n\"hi\"\n\"one\"\nx\n1\n\"yes\"\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScratchPlatform platform(scratch().u16string());
    UnseenWindow window;
    Program program(window, platform, window.clock, window.clock);
    Form1& form = program.form();

    writeConfig(reinterpret_cast<const char*>(data), size);
    form.mnuReload_Click();
    if (platform.boxes > 1 || form.speech().PhraseCount > 100 || form.speech().AnswerCount > 100)
        std::abort();

    // Whatever the bad file did, the next Reload of a good one succeeds.
    writeConfig(kGood, sizeof kGood - 1);
    const int before = platform.boxes;
    form.mnuReload_Click();
    if (platform.boxes != before || form.speech().PhraseCount != 1 ||
        form.speech().Phrases[1] != u"one" || form.speech().Answers[1] != u"yes")
        std::abort();
    return 0;
}
