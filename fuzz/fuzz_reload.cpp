// The whole loader, as Reload runs it, on an arbitrary config.ini: the file is written to a
// scratch directory that stands in for the character's. Checks that every failure ends in the one
// "Error!" text, and that a later good file always loads.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ScratchFolder.h"
#include "base/TextEncoding.h"
#include "content/CharacterLoad.h"

namespace {

using namespace tobble;
namespace fs = std::filesystem;

// Every picture decodes: the target is the config.ini half.
struct AnyPicture : PictureDecoder {
    PicturePtr loadPicture(const std::u16string&) override { return std::make_shared<Picture>(); }
};

void writeConfig(const char* data, std::size_t size) {
    std::ofstream out(scratch() / "config.ini", std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

std::optional<std::u16string> reload(ConfigFields& speech) {
    AnyPicture pictures;
    return loadCharacter((scratch() / "picture.jpg").u16string(),
                         (scratch() / "config.ini").u16string(), pictures, decodeWindows1252,
                         {[](PicturePtr) {}, [](const std::u16string&) {}, speech});
}

constexpr char kGood[] = "x\n\"Good\"\nx\n1\n\"hi\"\n\"one\"\nx\n1\n\"yes\"\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ConfigFields speech;
    writeConfig(reinterpret_cast<const char*>(data), size);
    const std::optional<std::u16string> error = reload(speech);
    if ((error && (!error->starts_with(kLoadErrorText) ||
                   error->size() == std::char_traits<char16_t>::length(kLoadErrorText))) ||
        speech.PhraseCount > 100 || speech.AnswerCount > 100)
        std::abort();

    // Whatever the bad file did, the next Reload of a good one succeeds.
    writeConfig(kGood, sizeof kGood - 1);
    if (reload(speech) || speech.PhraseCount != 1 || speech.Phrases[1] != u"one" ||
        speech.Answers[1] != u"yes")
        std::abort();
    return 0;
}
