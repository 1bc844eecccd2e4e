#include "content/ConfigText.h"

#include <algorithm>

#include "base/TextEncoding.h"

namespace tobble {
namespace {

void appendUtf16(std::u16string& out, std::string_view bytes, bool bigEndian) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
}

bool isAscii(char byte) {
    return static_cast<unsigned char>(byte) < 0x80;
}

} // namespace

void ConfigText::fill(std::size_t size) {
    char buffer[16384];
    while (!ended_ && waiting_.size() < size) {
        const std::size_t got =
            bytes_.read(buffer, std::min(sizeof buffer, size - waiting_.size()));
        waiting_.append(buffer, got);
        ended_ = got == 0;
    }
}

void ConfigText::takeByteOrderMark() {
    fill(3);
    encoding_ = Encoding::Undecided;
    const std::string_view start(waiting_);
    if (start.starts_with("\xEF\xBB\xBF"))
        encoding_ = Encoding::Utf8, waiting_.erase(0, 3);
    else if (start.starts_with("\xFF\xFE"))
        encoding_ = Encoding::Utf16Le, waiting_.erase(0, 2);
    else if (start.starts_with("\xFE\xFF"))
        encoding_ = Encoding::Utf16Be, waiting_.erase(0, 2);
}

// Called with the first byte beyond ASCII at the front of what is waiting.
void ConfigText::decide() {
    fill(kDecidingBytes);
    std::string_view sample = std::string_view(waiting_).substr(0, kDecidingBytes);
    if (!ended_ || sample.size() < waiting_.size())
        sample.remove_suffix(incompleteUtf8Tail(sample));
    encoding_ = decodeUtf8(sample) ? Encoding::Utf8 : Encoding::Ansi;
}

void ConfigText::decode(std::u16string& piece) {
    std::string_view ready(waiting_);
    switch (encoding_) {
    case Encoding::Unread:
        return;
    case Encoding::Undecided: {
        const auto beyond = std::find_if_not(waiting_.begin(), waiting_.end(), isAscii);
        ready = ready.substr(0, static_cast<std::size_t>(beyond - waiting_.begin()));
        // ASCII reads the same in every encoding still possible.
        piece.append(ready.begin(), ready.end());
        if (beyond != waiting_.end()) {
            waiting_.erase(0, ready.size());
            decide();
            return decode(piece);
        }
        break;
    }
    case Encoding::Utf8:
        if (!ended_)
            ready.remove_suffix(incompleteUtf8Tail(ready));
        piece += decodeUtf8Lenient(ready);
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        // An odd last byte of the file is no character.
        appendUtf16(piece, ready, encoding_ == Encoding::Utf16Be);
        if (!ended_)
            ready.remove_suffix(ready.size() % 2);
        break;
    case Encoding::Ansi:
        // Ending a piece at a line break keeps a two-byte character of the code page whole.
        if (!ended_) {
            const std::size_t lineEnd = ready.find_last_of("\r\n");
            if (lineEnd != std::string_view::npos)
                ready = ready.substr(0, lineEnd + 1);
        }
        piece += decodeAnsi_(ready);
        break;
    }
    waiting_.erase(0, ready.size());
}

bool ConfigText::next(std::u16string& piece) {
    piece.clear();
    if (encoding_ == Encoding::Unread)
        takeByteOrderMark();
    while (piece.empty()) {
        // What is still waiting could not be decoded alone: it needs the bytes after it.
        fill(waiting_.size() + pieceBytes_);
        if (waiting_.empty())
            return false;
        decode(piece);
    }
    return true;
}

} // namespace tobble
