#include "content/ConfigFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/NumberText.h"
#include "base/TextEncoding.h"

namespace tobble {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 256u * 1024 * 1024;

std::u16string decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return out;
}

// Long items are cut in messages so that a message box stays readable.
std::u16string quotedText(std::u16string_view text) {
    constexpr std::size_t kShown = 40;
    if (text.size() <= kShown)
        return u"\"" + std::u16string(text) + u"\"";
    return u"\"" + std::u16string(text.substr(0, kShown)) + u"...\"";
}

std::u16string where(TextPosition p) {
    std::u16string text = u"line " + decimalText(static_cast<unsigned>(p.line));
    if (p.column > 1)
        text += u", column " + decimalText(static_cast<unsigned>(p.column));
    return text;
}

// Hands out the items of config.ini one by one, each with the role it is read in.
class ItemFeed {
public:
    ItemFeed(ItemReader& reader, const ItemSeen& seen) : reader_(reader), seen_(seen) {}

    std::u16string text(ItemRole role, unsigned index = 0, unsigned of = 0) {
        ConfigItem item{++number_, {}, role, index, of, false, {}};
        std::optional<std::u16string> value = reader_.next();
        item.start = reader_.itemStart();
        if (!value) {
            item.missing = true;
            if (seen_)
                seen_(item);
            throw Failure(endOfFile(item));
        }
        item.text = *value;
        if (seen_)
            seen_(item);
        return std::move(*value);
    }

    // A count of lines or answers; at most 100 fit the lists.
    std::uint8_t count(ItemRole role) {
        const std::u16string value = text(role);
        const std::u16string what =
            role == ItemRole::LineCount ? u"the number of lines" : u"the number of answers";
        const std::optional<std::int32_t> number = parseWholeNumber(value);
        if (!number) {
            throw Failure(what + u" at " + where(reader_.itemStart()) +
                          u" should be a whole number, but it reads " + quotedText(value));
        }
        if (*number < 0 || *number >= kListSlots) {
            throw Failure(what + u" at " + where(reader_.itemStart()) +
                          u" should be 0 to 100, but it reads " + quotedText(value));
        }
        return static_cast<std::uint8_t>(*number);
    }

private:
    std::u16string endOfFile(const ConfigItem& due) const {
        std::u16string text = u"item " + decimalText(static_cast<unsigned>(due.number)) + u" (" +
                              roleName(due) + u") is missing";
        const std::size_t lines = reader_.lineCount();
        if (lines == 0)
            return u"config.ini is empty: " + text;
        return u"config.ini ends after line " + decimalText(static_cast<unsigned>(lines)) + u": " +
               text;
    }

    ItemReader& reader_;
    const ItemSeen& seen_;
    std::size_t number_ = 0;
};

} // namespace

std::u16string roleName(const ConfigItem& item) {
    switch (item.role) {
    case ItemRole::FreeText:
        return u"free text";
    case ItemRole::Title:
        return u"title";
    case ItemRole::LineCount:
        return u"number of lines";
    case ItemRole::Greeting:
        return u"greeting";
    case ItemRole::Line:
        return u"line " + decimalText(item.index) + u" of " + decimalText(item.of);
    case ItemRole::AnswerCount:
        return u"number of answers";
    case ItemRole::Answer:
        return u"answer " + decimalText(item.index) + u" of " + decimalText(item.of);
    }
    return {};
}

std::string readFileBytes(const std::u16string& path) {
    namespace fs = std::filesystem;
    // A FIFO or a device would block the open or the read, and with it the whole window.
    requireRegularFile(path);
    const fs::path file(path);
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (!error && size > kMaxFileBytes)
        throw Failure(path + u" is too large to be a character's file");

    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int cause = errno;
        throw Failure(path + u" cannot be opened: " +
                      (cause != 0
                           ? systemDescription(std::error_code(cause, std::generic_category()))
                           : std::u16string(u"unknown reason")));
    }
    std::string bytes;
    if (!error)
        bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileBytes)
            throw Failure(path + u" is too large to be a character's file");
    }
    if (in.bad())
        throw Failure(path + u" could not be read to its end");
    return bytes;
}

std::u16string decodeConfigText(std::string_view bytes, const AnsiDecoder& decodeAnsi) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return decodeUtf8Lenient(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return decodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return decodeUtf16(bytes.substr(2), true);
    if (std::optional<std::u16string> text = decodeUtf8(bytes))
        return std::move(*text);
    return decodeAnsi(bytes);
}

void readConfigItems(ItemReader& reader, SpeechState& speech, const TitleSetter& setTitle,
                     const ItemSeen& seen) {
    ItemFeed items(reader, seen);
    speech.ReadBuffer = items.text(ItemRole::FreeText);
    speech.ReadBuffer = items.text(ItemRole::Title);
    setTitle(speech.ReadBuffer);

    speech.ReadBuffer = items.text(ItemRole::FreeText);
    const std::uint8_t phraseCount = items.count(ItemRole::LineCount);
    speech.PhraseCount = phraseCount;
    // The loop counter is the speech state's own CurrentIndex, left at its end value.
    for (speech.CurrentIndex = 0; speech.CurrentIndex <= phraseCount; ++speech.CurrentIndex) {
        speech.Phrases[speech.CurrentIndex] =
            speech.CurrentIndex == 0 ? items.text(ItemRole::Greeting)
                                     : items.text(ItemRole::Line, speech.CurrentIndex, phraseCount);
    }

    speech.ReadBuffer = items.text(ItemRole::FreeText);
    const std::uint8_t answerCount = items.count(ItemRole::AnswerCount);
    speech.AnswerCount = answerCount;
    for (speech.CurrentIndex = 1; speech.CurrentIndex <= answerCount; ++speech.CurrentIndex)
        speech.Answers[speech.CurrentIndex] =
            items.text(ItemRole::Answer, speech.CurrentIndex, answerCount);
}

void loadConfigFile(const std::u16string& path, const AnsiDecoder& decodeAnsi, SpeechState& speech,
                    const TitleSetter& setTitle, const ItemSeen& seen) {
    // The raw bytes go as soon as they are decoded: a large file is held once, not twice.
    ItemReader reader(decodeConfigText(readFileBytes(path), decodeAnsi));
    readConfigItems(reader, speech, setTitle, seen);
}

std::u16string pictureRenameHint(const std::u16string& picturePath) {
    if (examineFile(picturePath).kind != FileKind::Missing || !picturePath.ends_with(u".jpg"))
        return {};
    const std::u16string stem = picturePath.substr(0, picturePath.size() - 4);
    for (const char16_t* extension : {u".jpeg", u".png"}) {
        const std::u16string other = findFileIgnoringCase(stem + extension);
        if (examineFile(other).kind == FileKind::Regular) {
            const std::u16string name = std::filesystem::path(other).filename().u16string();
            return u"there is a " + name + u": rename it to picture.jpg";
        }
    }
    return {};
}

} // namespace tobble
