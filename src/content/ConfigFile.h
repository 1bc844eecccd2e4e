#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "content/ConfigFields.h"
#include "content/ConfigText.h"
#include "content/ItemReader.h"

namespace tobble {

using TitleSetter = std::function<void(const std::u16string&)>;

// What each item of config.ini is read as, in file order.
enum class ItemRole { FreeText, Title, LineCount, Greeting, Line, AnswerCount, Answer };

struct ConfigItem {
    std::size_t number = 0; // 1 for the file's first item
    TextPosition start;
    ItemRole role = ItemRole::FreeText;
    unsigned index = 0; // which line or answer
    unsigned of = 0;    // of how many announced
    bool missing = false;
    std::u16string_view text;
};

// Told of every item as it is read, and of the one that was due when the file ended.
using ItemSeen = std::function<void(const ConfigItem&)>;

// "free text", "title", "number of lines", "greeting", "line 3", "answer 2"...
std::u16string roleName(const ConfigItem& item);

// Reads config.ini's items in file order into the fields, only as far as the last answer. Each
// value lands as soon as it is read, so a failure keeps all that came before it; the title is set
// as soon as it is read. Throws Failure with a plain description.
void readConfigItems(ItemReader& reader, ConfigFields& fields, const TitleSetter& setTitle,
                     const ItemSeen& seen = {});

// The config.ini at path, read, decoded and parsed into the fields a piece at a time: the one way
// the program, the checker and the benchmark read it. Throws Failure when the file is missing, not
// a regular file, unreadable or not a character's config.ini.
void loadConfigFile(const std::u16string& path, const AnsiDecoder& decodeAnsi, ConfigFields& fields,
                    const TitleSetter& setTitle, const ItemSeen& seen = {});

} // namespace tobble
