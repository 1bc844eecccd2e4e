#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tobble {

std::string toUtf8(std::u16string_view text);

// Decodes well-formed UTF-8; nothing when the bytes are not UTF-8.
std::optional<std::u16string> decodeUtf8(std::string_view bytes);

// Decodes UTF-8, putting U+FFFD in place of every malformed sequence.
std::u16string decodeUtf8Lenient(std::string_view bytes);

// How many bytes at the end begin a UTF-8 sequence that the bytes after them may still complete
// (0 to 3): text read in pieces keeps them for the next piece.
std::size_t incompleteUtf8Tail(std::string_view bytes);

std::u16string decodeWindows1252(std::string_view bytes);

} // namespace tobble
