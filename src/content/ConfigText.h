#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "content/ByteSource.h"
#include "content/ItemReader.h"

namespace tobble {

using AnsiDecoder = std::function<std::u16string(std::string_view)>;

// config.ini's bytes decoded as people save the file, a piece at a time. A UTF-8 or UTF-16
// byte-order mark decides the encoding. Without one, the text is read as ASCII up to its first
// byte beyond ASCII; if that byte and the 64 KiB from it are well-formed UTF-8, the file is UTF-8,
// else it is in the system's 8-bit code page. Once decided the encoding holds for the rest of the
// file, and a malformed UTF-8 sequence further on reads as U+FFFD.
class ConfigText : public TextSource {
public:
    static constexpr std::size_t kDecidingBytes = 64 * 1024;

    ConfigText(ByteSource& bytes, AnsiDecoder decodeAnsi, std::size_t pieceBytes = 64 * 1024)
        : bytes_(bytes), decodeAnsi_(std::move(decodeAnsi)), pieceBytes_(pieceBytes) {}

    bool next(std::u16string& piece) override;

private:
    enum class Encoding { Unread, Undecided, Utf8, Utf16Le, Utf16Be, Ansi };

    // Reads until at least size bytes are waiting or the bytes have ended.
    void fill(std::size_t size);
    void takeByteOrderMark();
    void decide();
    // Decodes what can be decoded of the waiting bytes into piece and drops them.
    void decode(std::u16string& piece);

    ByteSource& bytes_;
    AnsiDecoder decodeAnsi_;
    std::size_t pieceBytes_;
    std::string waiting_;
    bool ended_ = false;
    Encoding encoding_ = Encoding::Unread;
};

} // namespace tobble
