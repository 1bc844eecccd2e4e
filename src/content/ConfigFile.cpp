#include "content/ConfigFile.h"

#include <filesystem>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/NumberText.h"
#include "content/ByteSource.h"

namespace tobble {
namespace {

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
        if (*number < 0 || *number >= kListEntries) {
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

void readConfigItems(ItemReader& reader, ConfigFields& fields, const TitleSetter& setTitle,
                     const ItemSeen& seen) {
    ItemFeed items(reader, seen);
    fields.ReadBuffer = items.text(ItemRole::FreeText);
    fields.ReadBuffer = items.text(ItemRole::Title);
    setTitle(fields.ReadBuffer);

    fields.ReadBuffer = items.text(ItemRole::FreeText);
    const std::uint8_t phraseCount = items.count(ItemRole::LineCount);
    fields.PhraseCount = phraseCount;
    // The loop counter is the speech state's own CurrentIndex, left at its end value.
    for (fields.CurrentIndex = 0; fields.CurrentIndex <= phraseCount; ++fields.CurrentIndex) {
        fields.Phrases[fields.CurrentIndex] =
            fields.CurrentIndex == 0 ? items.text(ItemRole::Greeting)
                                     : items.text(ItemRole::Line, fields.CurrentIndex, phraseCount);
    }

    fields.ReadBuffer = items.text(ItemRole::FreeText);
    const std::uint8_t answerCount = items.count(ItemRole::AnswerCount);
    fields.AnswerCount = answerCount;
    for (fields.CurrentIndex = 1; fields.CurrentIndex <= answerCount; ++fields.CurrentIndex)
        fields.Answers[fields.CurrentIndex] =
            items.text(ItemRole::Answer, fields.CurrentIndex, answerCount);
}

void loadConfigFile(const std::u16string& path, const AnsiDecoder& decodeAnsi, ConfigFields& fields,
                    const TitleSetter& setTitle, const ItemSeen& seen) {
    FileBytes file(path);
    ConfigText text(file, decodeAnsi);
    ItemReader reader(text);
    readConfigItems(reader, fields, setTitle, seen);
}

} // namespace tobble
