#include "PackCheck.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <array>
#include <set>
#include <system_error>

#include "UnseenPlatform.h"
#include "UnseenWindow.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "app/SoundFiles.h"
#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"
#include "content/SpeechFields.h"

namespace tobble::check {
namespace {

bool endsWithWav(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".wav";
}

SoundCheck checkSound(const std::filesystem::path& directory, const std::u16string& name,
                      std::set<std::filesystem::path>& used) {
    // Resolved the way the program resolves it before playing.
    const std::filesystem::path file(findFileIgnoringCase((directory / name).u16string()));
    used.insert(file.filename());
    SoundCheck sound;
    sound.file = file.filename().string();
    std::error_code error;
    sound.exists = std::filesystem::exists(file, error);
    sound.wav = describeWavFile(file);
    return sound;
}

PictureCheck checkPicture(const std::filesystem::path& directory) {
    PictureCheck picture;
    const std::u16string file = findFileIgnoringCase((directory / kPictureFile).u16string());
    picture.exists = examineFile(file).kind == FileKind::Regular;
    if (!picture.exists) {
        picture.renameHint = pictureRenameHint(file);
        return picture;
    }
    QImageReader reader(QString::fromStdU16String(file));
    const QSize size = reader.size();
    picture.width = size.width();
    picture.height = size.height();
    return picture;
}

std::u16string shortened(std::u16string_view text) {
    constexpr std::size_t kShown = 60;
    if (text.size() <= kShown)
        return std::u16string(text);
    return std::u16string(text.substr(0, kShown)) + u"...";
}

std::vector<SpokenItem> spokenItems(const std::filesystem::path& directory,
                                    const std::array<std::u16string, kListSlots>& texts,
                                    unsigned count, bool answers,
                                    std::set<std::filesystem::path>& used) {
    std::vector<SpokenItem> items;
    for (unsigned n = 1; n <= count; ++n) {
        const auto number = static_cast<std::uint8_t>(n);
        items.push_back(SpokenItem{
            static_cast<int>(n), texts[n],
            checkSound(directory, answers ? answerSoundName(number) : lineSoundName(number),
                       used)});
    }
    return items;
}

// A second pass over config.ini with the program's own reading, watching every item; Reload
// itself keeps its reader to itself. Fills in what was read up to a failure.
void listItems(UnseenPlatform& platform, PackReport& report,
               std::set<std::filesystem::path>& used) {
    SpeechState scratch;
    unsigned lines = 0;
    unsigned answers = 0;
    bool greeting = false;
    TextPosition lastStart;
    const auto seen = [&](const ConfigItem& item) {
        lastStart = item.start;
        report.items.push_back(ItemRow{item.number, item.start.line, toUtf8(roleName(item)),
                                       shortened(item.text), item.missing});
        if (item.missing)
            return;
        greeting = greeting || item.role == ItemRole::Greeting;
        lines += item.role == ItemRole::Line;
        answers += item.role == ItemRole::Answer;
    };
    try {
        loadConfigFile(
            findFileIgnoringCase((report.directory / kConfigFile).u16string()),
            [&](std::string_view ansi) { return platform.decodeAnsi(ansi); }, configFields(scratch),
            [](const std::u16string&) {}, seen);
    } catch (const std::exception&) {
        // The stop is where the failing item began, or where the file ended.
        if (report.error && !report.items.empty()) {
            report.error->item = report.items.back().number;
            report.error->line = lastStart.line;
            report.error->column = lastStart.column;
        }
    }
    if (!report.error)
        return;
    if (greeting) {
        report.greeting =
            SpokenItem{0, scratch.Phrases[0], checkSound(report.directory, kGreetingSound, used)};
    }
    report.lines = spokenItems(report.directory, scratch.Phrases, lines, false, used);
    report.answers = spokenItems(report.directory, scratch.Answers, answers, true, used);
}

} // namespace

Verdict PackReport::verdict() const {
    if (error)
        return Verdict::LoadFails;
    const auto unplayable = [](const SpokenItem& item) { return !item.sound.wav.playable; };
    if ((greeting && unplayable(*greeting)) ||
        std::any_of(lines.begin(), lines.end(), unplayable) ||
        std::any_of(answers.begin(), answers.end(), unplayable) || !unusedFiles.empty())
        return Verdict::Incomplete;
    return Verdict::Complete;
}

PackReport checkPack(const std::filesystem::path& directory, bool listItemsToo) {
    namespace fs = std::filesystem;
    std::error_code error;
    PackReport report;
    report.directory = fs::weakly_canonical(fs::absolute(directory, error), error);
    if (report.directory.empty())
        report.directory = directory;

    UnseenPlatform platform(report.directory.u16string());
    UnseenWindow window;
    Program program(window, platform, window.clock, window.clock);
    Form1& form = program.form();
    form.mnuReload_Click();

    report.picture = checkPicture(report.directory);
    report.picture.decodes = window.picture != nullptr;
    if (window.captionSet)
        report.title = window.caption;
    std::set<fs::path> used{kPictureFile, kConfigFile};
    if (!platform.boxes.empty()) {
        const UnseenPlatform::Box& box = platform.boxes.front();
        report.error = LoadError{box.text, box.title, std::nullopt, std::nullopt, std::nullopt};
        // With the picture refused, config.ini was never opened.
        if (window.picture)
            listItems(platform, report, used);
        return report;
    }
    if (listItemsToo)
        listItems(platform, report, used);

    const SpeechState& speech = form.speech();
    report.greeting =
        SpokenItem{0, speech.Phrases[0], checkSound(report.directory, kGreetingSound, used)};
    report.lines = spokenItems(report.directory, speech.Phrases, speech.PhraseCount, false, used);
    report.answers = spokenItems(report.directory, speech.Answers, speech.AnswerCount, true, used);

    for (fs::directory_iterator it(report.directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (endsWithWav(name) && !used.contains(it->path().filename()))
            report.unusedFiles.push_back(name);
    }
    std::sort(report.unusedFiles.begin(), report.unusedFiles.end());
    return report;
}

} // namespace tobble::check
