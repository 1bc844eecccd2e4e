#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/SpeechState.h"
#include "content/ItemReader.h"

namespace tobble {

using AnsiDecoder = std::function<std::u16string(std::string_view)>;

// The whole file, read at once and closed. Throws Failure when it is missing, a directory,
// unreadable or too large to be a character's file.
std::string readFileBytes(const std::u16string& path);

// Text as people save it: a UTF-8 or UTF-16 byte-order mark, or valid UTF-8, or else the
// system's 8-bit code page.
std::u16string decodeConfigText(std::string_view bytes, const AnsiDecoder& decodeAnsi);

// Reads config.ini's items in file order into the speech state. Each value lands as soon as it is
// read, so a failure keeps all that came before it. Throws Failure.
void readConfigItems(ItemReader& reader, SpeechState& speech,
                     const std::function<void(const std::u16string&)>& setTitle);

} // namespace tobble
