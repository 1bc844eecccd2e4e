#include "PackCheck.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <set>
#include <system_error>

#include "app/FileNames.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "app/SoundFiles.h"
#include "content/ConfigFile.h"
#include "content/TextEncoding.h"
#include "platform/Failure.h"
#include "platform/linux/UnseenPlatform.h"
#include "ui/UnseenWindow.h"

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
    const std::filesystem::path file(findFileIgnoringCase((directory / kPictureFile).u16string()));
    std::error_code error;
    picture.exists = std::filesystem::is_regular_file(file, error);
    if (!picture.exists)
        return picture;
    QImageReader reader(QString::fromStdU16String(file.u16string()));
    const QSize size = reader.size();
    picture.width = size.width();
    picture.height = size.height();
    return picture;
}

// A second pass over config.ini with the same reader, to learn where it stopped; Reload itself
// keeps its reader to itself.
void locateFailure(const std::filesystem::path& directory, LoadError& error) {
    std::string bytes;
    try {
        bytes = readFileBytes(findFileIgnoringCase((directory / kConfigFile).u16string()));
    } catch (const std::exception&) {
        return; // never got to the items
    }
    ItemReader reader(decodeConfigText(bytes, decodeWindows1252));
    bytes = std::string();
    SpeechState scratch;
    try {
        readConfigItems(reader, scratch, [](const std::u16string&) {});
    } catch (const std::exception&) {
        const TextPosition stop = reader.itemStart();
        error.line = stop.line;
        error.column = stop.column;
    }
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

PackReport checkPack(const std::filesystem::path& directory) {
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
    if (!platform.boxes.empty()) {
        const UnseenPlatform::Box& box = platform.boxes.front();
        report.error = LoadError{box.text, box.title, std::nullopt, std::nullopt};
        if (window.picture)
            locateFailure(report.directory, *report.error);
        // What was read before the failure is not worth listing: the pack needs fixing first.
        return report;
    }

    const SpeechState& speech = form.speech();
    std::set<fs::path> used{kPictureFile, kConfigFile};
    report.greeting =
        SpokenItem{0, speech.Phrases[0], checkSound(report.directory, kGreetingSound, used)};
    for (unsigned n = 1; n <= speech.PhraseCount; ++n) {
        const auto number = static_cast<std::uint8_t>(n);
        report.lines.push_back(
            SpokenItem{static_cast<int>(n), speech.Phrases[n],
                       checkSound(report.directory, lineSoundName(number), used)});
    }
    for (unsigned m = 1; m <= speech.AnswerCount; ++m) {
        const auto number = static_cast<std::uint8_t>(m);
        report.answers.push_back(
            SpokenItem{static_cast<int>(m), speech.Answers[m],
                       checkSound(report.directory, answerSoundName(number), used)});
    }

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
