#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tobble {

// A ".tobble" file is a ZIP archive of one character: its config.ini, picture.jpg and sounds,
// at the archive's top or in one folder there. Only those files are ever unpacked.

inline constexpr std::size_t kMaxArchiveEntries = 256;
inline constexpr std::uint64_t kMaxUnpackedFile = 64 * 1024 * 1024;
inline constexpr std::uint64_t kMaxUnpackedCharacter = 256 * 1024 * 1024;

struct ArchiveEntry {
    std::u16string name;     // as in the archive: "Tobble/config.ini"
    std::u16string fileName; // the character's file it becomes, case kept: "config.ini"
    std::uint64_t size = 0;  // unpacked, as the archive states it

    bool operator==(const ArchiveEntry&) const = default;
};

struct ArchiveContents {
    std::vector<ArchiveEntry> taken;
    std::vector<std::u16string> leftOut; // other files and folders, named as in the archive
};

// Reads the archive's directory and checks every rule that needs no unpacking: names, kinds,
// compression, sizes, where the character's files are. Throws Failure naming the archive, with
// the offending entry in its description.
ArchiveContents readCharacterArchive(const std::filesystem::path& archive);

// Checks every taken file's data (checksums, sizes) without writing anything. Throws Failure.
void verifyCharacterArchive(const std::filesystem::path& archive);

// The bytes of the archive's config.ini, checked as verifyCharacterArchive checks them. Throws
// Failure.
std::string readCharacterConfig(const std::filesystem::path& archive);

// Unpacks the taken files into destination, a new folder (with any missing folders above it).
// They are written into a hidden folder beside it first, checked as they are written, and that
// folder is renamed to destination at the end: on any failure nothing of it is left behind and
// Failure says why.
void unpackCharacterArchive(const std::filesystem::path& archive,
                            const std::filesystem::path& destination);

} // namespace tobble
