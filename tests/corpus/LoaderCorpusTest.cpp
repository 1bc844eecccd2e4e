// Runs every content pack of the corpus through the program's Reload (Form1 with a recording
// window, the Linux picture loader), checks the message box and the state it leaves, then fixes
// the pack and checks that a second Reload loads it.
#include <QCoreApplication>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

#include "CorpusTable.h"
#include "UnseenPlatform.h"
#include "UnseenWindow.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "content/TextEncoding.h"

namespace tobble::corpus {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kErrorText[] = u"Error opening the config.ini file!  Exact error was:  ";

fs::path packs() {
    return fs::path(TOBBLE_CORPUS_PACKS);
}

bool hasCheck(const Case& c, const std::string& key, const std::string& value) {
    for (const auto& [k, v] : c.state) {
        if (k == key && v == value)
            return true;
    }
    return false;
}

// The program's directory is a scratch directory of links into the pack, so that the test can
// "fix" the pack without touching the shared corpus. A pack read by an unprivileged user is
// copied instead, with its permissions: the corpus itself may lie where only root can reach.
void linkPack(const fs::path& pack, const fs::path& into, bool copy = false) {
    for (const fs::directory_entry& entry : fs::directory_iterator(into))
        fs::remove(entry.path());
    for (const fs::directory_entry& entry : fs::directory_iterator(pack)) {
        const fs::path target = into / entry.path().filename();
        if (!copy) {
            fs::create_symlink(entry.path(), target);
        } else {
            fs::copy_file(entry.path(), target);
            fs::permissions(target, fs::status(entry.path()).permissions());
        }
    }
}

constexpr fs::perms kOpenFolder = fs::perms::owner_all | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read |
                                  fs::perms::others_exec;

// Drops root's right to read anything, for the unreadable-file case; restores it on the way out.
class UnprivilegedScope {
public:
    explicit UnprivilegedScope(bool wanted) : active_(wanted && geteuid() == 0) {
        if (active_ && seteuid(65534) != 0)
            active_ = false;
    }
    ~UnprivilegedScope() {
        if (active_ && seteuid(0) != 0)
            std::abort();
    }

private:
    bool active_;
};

class Corpus : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tobble-corpus-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        work_ = pattern;
        fs::permissions(work_, kOpenFolder);
    }
    void TearDown() override {
        fs::permissions(work_, kOpenFolder);
        fs::remove_all(work_);
    }

    fs::path work_;
};

void expectState(const Case& c, const Form1& form, const UnseenWindow& window) {
    const SpeechState& speech = form.speech();
    for (const auto& [key, value] : c.state) {
        SCOPED_TRACE(key + "=" + value);
        if (key == "title") {
            EXPECT_EQ(toUtf8(window.caption), value);
        } else if (key == "P") {
            EXPECT_EQ(speech.PhraseCount, std::stoi(value));
        } else if (key == "A") {
            EXPECT_EQ(speech.AnswerCount, std::stoi(value));
        } else if (key == "picture") {
            EXPECT_EQ(window.picture != nullptr, value == "decodes");
        } else if ((key[0] == 'p' || key[0] == 'a') && key.size() > 1 && std::isdigit(key[1])) {
            const std::size_t dot = key.find('.');
            const int index = std::stoi(key.substr(1, dot - 1));
            const std::u16string& text = (key[0] == 'p' ? speech.Phrases : speech.Answers)
                                             .at(static_cast<std::size_t>(index));
            if (dot != std::string::npos)
                EXPECT_EQ(text.size(), std::stoul(value));
            else
                EXPECT_EQ(text, unescape(value));
        }
        // line, column, width, bad and unused are the checker's business; run and folder say
        // how the pack is read.
    }
}

TEST_P(Corpus, ReloadShowsTheExpectedOutcomeAndRecoversOnceFixed) {
    const Case& c = GetParam();
    SCOPED_TRACE(c.note);
    const fs::path pack = packs() / c.name;
    ASSERT_TRUE(fs::is_directory(pack)) << "corpus not generated: " << pack;
    const bool unprivileged = hasCheck(c, "run", "unprivileged");
    linkPack(pack, work_, unprivileged);
    if (hasCheck(c, "folder", "closed"))
        fs::permissions(work_, fs::perms::none);

    UnseenPlatform platform(work_.u16string());
    UnseenWindow window;
    Program program(window, platform, window.clock, window.clock);
    Form1& form = program.form();
    {
        UnprivilegedScope scope(unprivileged);
        form.mnuReload_Click();
    }
    fs::permissions(work_, kOpenFolder);

    if (c.loader == "ok") {
        EXPECT_TRUE(platform.boxes.empty())
            << "unexpected box: " << (platform.boxes.empty() ? "" : toUtf8(platform.boxes[0].text));
    } else {
        ASSERT_EQ(platform.boxes.size(), 1u);
        const UnseenPlatform::Box& box = platform.boxes[0];
        EXPECT_EQ(box.title, u"Error!");
        EXPECT_EQ(box.style, 16);
        std::string expected = c.loader;
        if (const std::size_t at = expected.find("{dir}"); at != std::string::npos)
            expected.replace(at, 5, work_.string());
        const std::string shown = toUtf8(box.text);
        const std::string prefix = toUtf8(kErrorText);
        if (expected.ends_with("...")) {
            expected = prefix + expected.substr(0, expected.size() - 3);
            EXPECT_TRUE(shown.starts_with(expected)) << shown << "\ndoes not start with\n"
                                                     << expected;
        } else {
            EXPECT_EQ(shown, prefix + expected);
        }
    }
    expectState(c, form, window);

    // The author fixes the pack; the same window reloads it.
    linkPack(packs() / "good", work_);
    platform.boxes.clear();
    form.mnuReload_Click();
    EXPECT_TRUE(platform.boxes.empty())
        << "after the fix: " << (platform.boxes.empty() ? "" : toUtf8(platform.boxes[0].text));
    EXPECT_EQ(window.caption, u"Test Tobble");
    EXPECT_NE(window.picture, nullptr);
    EXPECT_EQ(form.speech().PhraseCount, 2);
    EXPECT_EQ(form.speech().AnswerCount, 2);
    EXPECT_EQ(form.speech().Phrases[0], u"Hello there");
    EXPECT_EQ(form.speech().Phrases[2], u"Line two");
    EXPECT_EQ(form.speech().Answers[2], u"No");
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char ch : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Packs, Corpus, ::testing::ValuesIn(readTable(TOBBLE_CORPUS_TABLE)),
                         caseName);

} // namespace
} // namespace tobble::corpus

int main(int argc, char* argv[]) {
    // Qt finds its image format plugins through the application object.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
