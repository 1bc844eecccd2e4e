// The config.ini reader on arbitrary bytes: decoding, item reading and the loader's filling of the
// speech state. Any crash, sanitizer report, or broken invariant below is a finding.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Failure.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"

namespace {

using namespace tobble;

struct Load {
    ConfigFields speech;
    int titles = 0;
    bool failed = false;
    std::size_t items = 0;
    bool missingSeen = false;
};

// Reads the bytes handed out step bytes at a time, decoded pieceBytes at a time, with items cut
// at maxItem characters.
Load load(std::string_view bytes, std::size_t step, std::size_t pieceBytes, std::size_t maxItem) {
    MemoryBytes source(bytes, step);
    ConfigText text(source, decodeWindows1252, pieceBytes);
    ItemReader reader(text, maxItem);
    Load result;
    // Items are told in file order, numbered from 1, and a missing one only ever comes last.
    const auto seen = [&](const ConfigItem& item) {
        if (item.number != ++result.items || result.missingSeen || item.text.size() > maxItem)
            std::abort();
        result.missingSeen = item.missing;
    };
    try {
        readConfigItems(
            reader, result.speech, [&](const std::u16string&) { ++result.titles; }, seen);
    } catch (const Failure& failure) {
        result.failed = true;
        if (failure.description().empty())
            std::abort();
        // Positions are 1-based and lie inside the text.
        const TextPosition at = reader.itemStart();
        const std::size_t size = bytes.size();
        if (at.line < 1 || at.column < 1 || at.line > size + 1 || at.column > size + 1)
            std::abort();
        if (reader.lineCount() > size)
            std::abort();
    }
    return result;
}

bool same(const Load& a, const Load& b) {
    return a.failed == b.failed && a.items == b.items && a.titles == b.titles &&
           a.speech.ReadBuffer == b.speech.ReadBuffer && a.speech.Phrases == b.speech.Phrases &&
           a.speech.Answers == b.speech.Answers && a.speech.CurrentIndex == b.speech.CurrentIndex;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Load whole = load(bytes, bytes.size() + 1, bytes.size() + 1, kMaxItemChars);
    // Only counts that fit the lists are ever stored, and the title is set at most once.
    if (whole.speech.PhraseCount >= kListEntries || whole.speech.AnswerCount >= kListEntries ||
        whole.titles > 1)
        std::abort();
    if (!whole.failed && (whole.titles != 1 || whole.missingSeen))
        std::abort();
    // Where the file's reads and the decoder's pieces happen to end changes nothing.
    if (size > 0) {
        const std::size_t step = 1 + data[0] % 7;
        if (!same(whole, load(bytes, step, 1 + data[size - 1] % 5, kMaxItemChars)))
            std::abort();
    }
    // Items cut short are never longer than the cut.
    load(bytes, bytes.size() + 1, bytes.size() + 1, 3);
    return 0;
}
