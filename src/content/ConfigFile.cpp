#include "content/ConfigFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/SoundFiles.h"
#include "content/TextEncoding.h"
#include "platform/Failure.h"

namespace tobble {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 256u * 1024 * 1024;

std::u16string systemMessage(int error) {
    return decodeUtf8Lenient(std::strerror(error));
}

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

void checkCount(std::uint8_t count, const char16_t* what) {
    if (count >= kListSlots) {
        throw Failure(u"config.ini announces " + decimalText(count) + u" " + what +
                      u", but at most 100 fit");
    }
}

} // namespace

std::string readFileBytes(const std::u16string& path) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        throw Failure(u"File not found: " + path);
    if (status.type() == fs::file_type::directory)
        throw Failure(u"Path/File access error: " + path + u" is a directory, not a file");
    // A FIFO or a device would block the open or the read, and with it the whole window.
    if (status.type() != fs::file_type::regular && status.type() != fs::file_type::none)
        throw Failure(u"Path/File access error: " + path + u" is not a regular file");
    const std::uintmax_t size = fs::file_size(file, error);
    if (!error && size > kMaxFileBytes)
        throw Failure(u"Out of memory: " + path + u" is too large to be read");

    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int cause = errno;
        throw Failure((cause != 0 ? systemMessage(cause) : std::u16string(u"Cannot open file")) +
                      u": " + path);
    }
    std::string bytes;
    if (!error)
        bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileBytes)
            throw Failure(u"Out of memory: " + path + u" is too large to be read");
    }
    if (in.bad())
        throw Failure(u"Device I/O error while reading " + path);
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

void readConfigItems(ItemReader& reader, SpeechState& speech,
                     const std::function<void(const std::u16string&)>& setTitle) {
    speech.ReadBuffer = reader.readText();
    speech.ReadBuffer = reader.readText();
    setTitle(speech.ReadBuffer);

    speech.ReadBuffer = reader.readText();
    const std::uint8_t phraseCount = reader.readByte();
    checkCount(phraseCount, u"lines");
    speech.PhraseCount = phraseCount;
    // The loop counter is the speech state's own CurrentIndex, left at its end value.
    for (speech.CurrentIndex = 0; speech.CurrentIndex <= phraseCount; ++speech.CurrentIndex)
        speech.Phrases[speech.CurrentIndex] = reader.readText();

    speech.ReadBuffer = reader.readText();
    const std::uint8_t answerCount = reader.readByte();
    checkCount(answerCount, u"answers");
    speech.AnswerCount = answerCount;
    for (speech.CurrentIndex = 1; speech.CurrentIndex <= answerCount; ++speech.CurrentIndex)
        speech.Answers[speech.CurrentIndex] = reader.readText();
}

} // namespace tobble
