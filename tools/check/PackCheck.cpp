#include "PackCheck.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <array>
#include <set>
#include <system_error>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"
#include "content/CharacterFiles.h"
#include "content/CharacterLoad.h"
#include "frontend/qt/platform/LinuxPlatform.h"

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

std::vector<SpokenItem> spokenItems(const std::filesystem::path& directory, const TextList& texts,
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

// What the program would keep of config.ini, and where the reader got to.
struct Reading : ConfigFields {
    unsigned lines = 0; // read so far, a failing one left out
    unsigned answers = 0;
    bool greeting = false;
    TextPosition lastStart;
};

// Every item as the reader took it, so that an author sees where items shifted.
ItemSeen watch(Reading& reading, std::vector<ItemRow>& rows) {
    return [&](const ConfigItem& item) {
        reading.lastStart = item.start;
        rows.push_back(ItemRow{item.number, item.start.line, toUtf8(roleName(item)),
                               shortened(item.text), item.missing});
        if (item.missing)
            return;
        reading.greeting = reading.greeting || item.role == ItemRole::Greeting;
        reading.lines += item.role == ItemRole::Line;
        reading.answers += item.role == ItemRole::Answer;
    };
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

    // The program's own loader, once, with its own picture decoder and code page.
    LinuxPlatform linux;
    Reading reading;
    std::vector<ItemRow> rows;
    bool pictureDecoded = false;
    const std::optional<std::u16string> failure =
        loadCharacter(findFileIgnoringCase((report.directory / kPictureFile).u16string()),
                      findFileIgnoringCase((report.directory / kConfigFile).u16string()), linux,
                      [&](std::string_view ansi) { return linux.decodeAnsi(ansi); },
                      {[&](PicturePtr) { pictureDecoded = true; },
                       [&](const std::u16string& title) { report.title = title; }, reading,
                       watch(reading, rows)});

    report.picture = checkPicture(report.directory);
    report.picture.decodes = pictureDecoded;
    std::set<fs::path> used{kPictureFile, kConfigFile};
    const bool failed = failure.has_value();
    if (failed) {
        report.error =
            LoadError{*failure, kLoadErrorTitle, std::nullopt, std::nullopt, std::nullopt};
        // The stop is where the failing item began, or where the file ended; with the picture
        // refused, config.ini was never opened.
        if (!rows.empty()) {
            report.error->item = rows.back().number;
            report.error->line = reading.lastStart.line;
            report.error->column = reading.lastStart.column;
        }
    }
    if (failed || listItemsToo)
        report.items = std::move(rows);
    if (!failed || reading.greeting) {
        report.greeting =
            SpokenItem{0, reading.Phrases[0], checkSound(report.directory, kGreetingSound, used)};
    }
    // After a failure, the lines and answers read before it.
    report.lines = spokenItems(report.directory, reading.Phrases,
                               failed ? reading.lines : reading.PhraseCount, false, used);
    report.answers = spokenItems(report.directory, reading.Answers,
                                 failed ? reading.answers : reading.AnswerCount, true, used);
    if (failed)
        return report;

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
