// The config.ini reader on arbitrary bytes: decoding, item reading and the loader's filling of the
// speech state. Any crash, sanitizer report, or broken invariant below is a finding.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/SpeechState.h"
#include "base/Failure.h"
#include "base/TextEncoding.h"
#include "content/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tobble;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ItemReader reader(decodeConfigText(bytes, decodeWindows1252));
    SpeechState speech;
    int titles = 0;
    bool failed = false;
    std::size_t items = 0;
    bool missingSeen = false;
    // Items are told in file order, numbered from 1, and a missing one only ever comes last.
    const auto seen = [&](const ConfigItem& item) {
        if (item.number != ++items || missingSeen)
            std::abort();
        missingSeen = item.missing;
    };
    try {
        readConfigItems(
            reader, speech, [&](const std::u16string&) { ++titles; }, seen);
    } catch (const Failure& failure) {
        failed = true;
        if (failure.description().empty())
            std::abort();
        // Positions are 1-based and lie inside the text.
        const TextPosition at = reader.itemStart();
        if (at.line < 1 || at.column < 1 || at.line > size + 1 || at.column > size + 1)
            std::abort();
        if (reader.lineCount() > size)
            std::abort();
    }
    // Only counts that fit the lists are ever stored, and the title is set at most once.
    if (speech.PhraseCount >= kListSlots || speech.AnswerCount >= kListSlots || titles > 1)
        std::abort();
    if (!failed && (titles != 1 || missingSeen))
        std::abort();
    return 0;
}
