#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <zlib.h>

#include "Fakes.h"
#include "base/Failure.h"
#include "content/CharacterArchive.h"
#include "content/CharacterPacker.h"

namespace tobble {
namespace {

namespace fs = std::filesystem;
using testing::ContentDir, testing::le;

constexpr std::uint32_t kMiB = 1024 * 1024;

std::string rawDeflate(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// An entry of a made archive, with what a damaged or hostile archive would change in it.
struct Item {
    Item(std::string name_, std::string data_, std::uint16_t method_ = 8, std::uint16_t flags_ = 0,
         std::uint32_t mode_ = 0100644, std::int64_t statedSize_ = -1, std::uint32_t crcChange_ = 0,
         std::string localName_ = "")
        : name(std::move(name_)), data(std::move(data_)), method(method_), flags(flags_),
          mode(mode_), statedSize(statedSize_), crcChange(crcChange_),
          localName(std::move(localName_)) {}
    std::string name, data;
    std::uint16_t method, flags;
    std::uint32_t mode;
    std::int64_t statedSize; // when not the data's own (-1)
    std::uint32_t crcChange; // XORed into the checksum
    std::string localName;   // the local header's name, when not name
};

std::string zip(const std::vector<Item>& items) {
    std::string out, directory;
    for (const Item& item : items) {
        const std::string packed = item.method == 8 ? rawDeflate(item.data) : item.data;
        const auto crc =
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(item.data.data()),
                                             static_cast<uInt>(item.data.size())) ^
                                       item.crcChange);
        const auto size = static_cast<std::uint32_t>(
            item.statedSize >= 0 ? item.statedSize : static_cast<std::int64_t>(item.data.size()));
        const std::string common = le(20, 2) + le(item.flags, 2) + le(item.method, 2) + le(0, 4) +
                                   le(crc, 4) + le(static_cast<std::uint32_t>(packed.size()), 4) +
                                   le(size, 4);
        const std::string local = item.localName.empty() ? item.name : item.localName;
        const auto offset = static_cast<std::uint32_t>(out.size());
        out += le(0x04034b50, 4) + common + le(static_cast<std::uint32_t>(local.size()), 2) +
               le(0, 2) + local + packed;
        directory += le(0x02014b50, 4) + le(0x0314, 2) + common +
                     le(static_cast<std::uint32_t>(item.name.size()), 2) + le(0, 8) +
                     le(item.mode << 16, 4) + le(offset, 4) + item.name;
    }
    const auto count = static_cast<std::uint32_t>(items.size());
    return out + directory + le(0x06054b50, 4) + le(0, 4) + le(count, 2) + le(count, 2) +
           le(static_cast<std::uint32_t>(directory.size()), 4) +
           le(static_cast<std::uint32_t>(out.size()), 4) + le(0, 2);
}

std::set<std::string> folderNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The failure's text, or "" when call succeeds.
template <typename Call> std::string refusal(Call call) {
    try {
        call();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "";
}

const std::string kConfig = "\"Tobble\"\r\n\"Hi\"\r\n";

TEST(CharacterArchive, TakesOnlyTheCharactersFilesAndUnpacksThemByteForByte) {
    struct Case {
        const char* what;
        std::vector<Item> items;
        std::set<std::string> taken, leftOut; // taken: the character's files it unpacks to
    };
    const std::string sound(200000, 'w'), picture = "\xff\xd8 picture";
    const std::vector<Case> cases = {
        {"at the top, stored",
         {{"config.ini", kConfig, 0},
          {"picture.jpg", picture, 0},
          {"1.wav", sound, 0},
          {"a0.wav", "", 0},
          {"a99.wav", "", 0}},
         {"config.ini", "picture.jpg", "1.wav", "a0.wav", "a99.wav"},
         {}},
        {"in one folder, deflated, any case, with what a zip tool adds",
         {{"Tobble/", ""},
          {"Tobble/CONFIG.INI", kConfig},
          {"Tobble/A100.WAV", sound},
          {"Tobble/readme.txt", "read me"},
          {"Tobble/tobble.exe", "MZ"},
          {"Tobble/desktop.ini", "[x]"},
          {"Tobble/101.wav", sound},
          {"Tobble/01.wav", sound},
          {"Tobble/sounds/", ""},
          {"Tobble/sounds/2.wav", sound},
          {"__MACOSX/Tobble/._config.ini", "mac"}},
         {"CONFIG.INI", "A100.WAV"},
         {"Tobble/readme.txt", "Tobble/tobble.exe", "Tobble/desktop.ini", "Tobble/101.wav",
          "Tobble/01.wav", "Tobble/sounds/", "Tobble/sounds/2.wav",
          "__MACOSX/Tobble/._config.ini"}},
        {"at the top beside other folders",
         {{"./config.ini", kConfig}, {"docs/", ""}, {"docs/manual.txt", "m"}, {"LICENSE", "MIT"}},
         {"config.ini"},
         {"docs/", "docs/manual.txt", "LICENSE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ContentDir dir;
        dir.write("x.tobble", zip(c.items));
        const fs::path archive = dir.path() / "x.tobble", destination = dir.path() / "new" / "x";

        const ArchiveContents contents = readCharacterArchive(archive);
        std::set<std::string> taken, leftOut;
        for (const ArchiveEntry& entry : contents.taken)
            taken.insert(fs::path(entry.fileName).string());
        for (const std::u16string& name : contents.leftOut)
            leftOut.insert(fs::path(name).generic_string());
        EXPECT_EQ(taken, c.taken);
        EXPECT_EQ(leftOut, c.leftOut);
        EXPECT_EQ(refusal([&] { verifyCharacterArchive(archive); }), "");
        EXPECT_EQ(readCharacterConfig(archive), kConfig);

        unpackCharacterArchive(archive, destination);
        EXPECT_EQ(folderNames(destination), c.taken);
        for (const ArchiveEntry& entry : contents.taken) {
            const auto item = std::find_if(c.items.begin(), c.items.end(), [&](const Item& i) {
                return fs::path(i.name) == fs::path(entry.name);
            });
            EXPECT_EQ(fileBytes(destination / entry.fileName), item->data) << item->name;
            EXPECT_EQ(entry.size, item->data.size());
        }
        EXPECT_EQ(folderNames(dir.path() / "new"), std::set<std::string>{"x"});
        EXPECT_NE(refusal([&] { unpackCharacterArchive(archive, destination); }), "")
            << "unpacked over an existing folder";
    }
}

TEST(CharacterArchive, RefusesWithAReasonAndWritesNothing) {
    struct Case {
        std::string bytes; // the archive
        const char* reason;
        bool directoryShowsIt = true; // refused before any data is unpacked
    };
    const Item config{"config.ini", kConfig};
    const std::string good = zip({config, {"1.wav", std::string(5000, 's')}});
    std::vector<Item> many(257, Item{"x.txt", "x"});
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i].name = std::to_string(i) + ".txt";
    std::vector<Item> big(5, Item{"", "small", 0, 0, 0100644, 60 * kMiB});
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i].name = std::to_string(i) + ".wav";
    big.push_back(config);

    const std::vector<Case> cases = {
        {"just some text", "this is not a ZIP archive"},
        {"", "this is not a ZIP archive"},
        {good.substr(0, good.size() / 2), "this ZIP archive is cut short"},
        {good.substr(0, good.size() - 3), "this ZIP archive is cut short"},
        {zip({{"../x/config.ini", kConfig}}),
         "the entry \"../x/config.ini\" points outside the character"},
        {zip({{"/etc/config.ini", kConfig}}), "the entry \"/etc/config.ini\" points outside"},
        {zip({{"C:/config.ini", kConfig}}), "the entry \"C:/config.ini\" points outside"},
        {zip({config, {"a/../../1.wav", "s"}}), "the entry \"a/../../1.wav\" points outside"},
        {zip({{"x\\config.ini", kConfig}}), "the entry \"x\\config.ini\" has a backslash"},
        {zip({config, {"1.wav", "/etc/passwd", 8, 0, 0120777}}),
         "the entry \"1.wav\" is a symbolic link"},
        {zip({{"Config.ini", kConfig}, config}),
         "\"Config.ini\" and \"config.ini\" differ only in case"},
        {zip({config, config}), "the entry \"config.ini\" appears twice"},
        {zip({{"./config.ini", kConfig}, config}),
         "\"./config.ini\" and \"config.ini\" name the same file"},
        {zip({config, {"1.wav", "s", 8, 1}}), "the entry \"1.wav\" is encrypted"},
        {zip({config, {"1.wav", "s", 12}}), "the entry \"1.wav\" is compressed in a way"},
        {zip(many), "this archive has more than 256 entries"},
        {zip({config, {"1.wav", "s", 0, 0, 0100644, 64 * kMiB + 1}}),
         "the entry \"1.wav\" unpacks to more than 64 MiB"},
        {zip(big), "the character unpacks to more than 256 MiB"},
        {zip({config, {"1.wav", "s", 0, 0, 0100644, 0xFFFFFFFF}}),
         "the entry \"1.wav\" is a ZIP64"},
        {zip({{"a/config.ini", kConfig}, {"b/1.wav", "s"}}),
         "the character's files are in more than one folder: \"a\" and \"b\""},
        {zip({config, {"a/1.wav", "s"}}),
         "the character's files are both at the archive's top and in the folder \"a\""},
        {zip({{"picture.jpg", "p"}, {"readme.txt", "r"}}),
         "there is no config.ini in this archive"},
        // Found only when the data is read.
        {zip({config, {"1.wav", "sound", 8, 0, 0100644, -1, 1}}),
         "the entry \"1.wav\" is damaged: its checksum does not match", false},
        {zip({config, {"1.wav", "sound", 0, 0, 0100644, -1, 0x80000000}}),
         "the entry \"1.wav\" is damaged: its checksum does not match", false},
        // 65 MiB of zeros that claim to be 1 KB: unpacking stops right after the first kilobyte.
        {zip({config, {"1.wav", std::string(65 * kMiB, '\0'), 8, 0, 0100644, 1024}}),
         "the entry \"1.wav\" is damaged: it unpacks to more than its stated size", false},
        {zip({config, {"1.wav", "sound", 8, 0, 0100644, 9}}),
         "the entry \"1.wav\" is damaged: it unpacks to less than its stated size", false},
        {zip({config, {"1.wav", "sound", 0, 0, 0100644, -1, 0, "2.wav"}}),
         "the entry \"1.wav\" is damaged: its header does not agree", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ContentDir dir;
        dir.write("x.tobble", c.bytes);
        const fs::path archive = dir.path() / "x.tobble";
        const std::string read = refusal([&] { readCharacterArchive(archive); });
        EXPECT_EQ(read.find(c.reason) == 0, c.directoryShowsIt) << read;
        for (const std::string& failure :
             {refusal([&] { verifyCharacterArchive(archive); }),
              refusal([&] { unpackCharacterArchive(archive, dir.path() / "new" / "x"); })}) {
            EXPECT_EQ(failure.find(c.reason), 0u) << failure;
            EXPECT_TRUE(failure.ends_with("x.tobble)")) << failure;
        }
        EXPECT_EQ(folderNames(dir.path()), std::set<std::string>{"x.tobble"});
    }
}

TEST(CharacterPacker, PacksWhatUnpacksByteForByteAndRefusesOtherFiles) {
    ContentDir dir;
    std::string sound;
    for (unsigned i = 0; i < 300000; ++i)
        sound += static_cast<char>(i * 7919u % 251);
    const std::map<std::string, std::string> files = {
        {"config.ini", kConfig}, {"Picture.JPG", "\xff\xd8 p"}, {"1.wav", sound}, {"a0.wav", ""}};
    fs::create_directory(dir.path() / "in");
    for (const auto& [name, bytes] : files)
        dir.write("in/" + name, bytes);
    std::vector<std::u16string> names;
    for (const auto& [name, bytes] : files)
        names.push_back(fs::path(name).u16string());
    const fs::path archive = dir.path() / "out.tobble";

    for (int time = 0; time < 2; ++time) // the second time replaces the first
        packCharacter(dir.path() / "in", names, archive);
    EXPECT_TRUE(readCharacterArchive(archive).leftOut.empty());
    unpackCharacterArchive(archive, dir.path() / "back");
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(fileBytes(dir.path() / "back" / name), bytes) << name;
    EXPECT_EQ(folderNames(dir.path() / "back").size(), files.size());

    dir.write("in/readme.txt", "r");
    const std::vector<std::vector<std::u16string>> refused = {
        {u"config.ini", u"readme.txt"}, {u"config.ini", u"CONFIG.INI"}, {u"config.ini", u"2.wav"}};
    for (const auto& list : refused)
        EXPECT_NE(
            refusal([&] { packCharacter(dir.path() / "in", list, dir.path() / "no.tobble"); }), "");
    EXPECT_EQ(folderNames(dir.path()), (std::set<std::string>{"in", "back", "out.tobble"}));
}

} // namespace
} // namespace tobble
