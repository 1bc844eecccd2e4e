#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/SpeechState.h"
#include "content/ItemReader.h"

namespace tobble {

using AnsiDecoder = std::function<std::u16string(std::string_view)>;
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

// The whole file, read at once and closed. Throws Failure when it is missing, not a regular file,
// unreadable or too large to be a character's file.
std::string readFileBytes(const std::u16string& path);

// Text as people save it: a UTF-8 or UTF-16 byte-order mark, or valid UTF-8, or else the
// system's 8-bit code page.
std::u16string decodeConfigText(std::string_view bytes, const AnsiDecoder& decodeAnsi);

// Reads config.ini's items in file order into the speech state. Each value lands as soon as it is
// read, so a failure keeps all that came before it. Throws Failure with a plain description.
void readConfigItems(ItemReader& reader, SpeechState& speech, const TitleSetter& setTitle,
                     const ItemSeen& seen = {});

// The config.ini at path, read, decoded and parsed into the speech state: the one way the
// program, the checker and the benchmark read it.
void loadConfigFile(const std::u16string& path, const AnsiDecoder& decodeAnsi, SpeechState& speech,
                    const TitleSetter& setTitle, const ItemSeen& seen = {});

// When picture.jpg is missing beside a picture.jpeg or picture.png, a hint to rename that file.
std::u16string pictureRenameHint(const std::u16string& picturePath);

} // namespace tobble
