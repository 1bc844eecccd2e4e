#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tobble {

// One entry of a ZIP archive's central directory.
struct ZipEntry {
    std::string rawName; // the bytes the archive holds
    std::u16string name; // decoded: UTF-8, or Windows-1252 when the bytes are not UTF-8
    std::uint16_t madeBy = 0, flags = 0, method = 0;
    std::uint32_t crc = 0, packedSize = 0, size = 0, localOffset = 0, attributes = 0;

    bool isDirectory() const { return name.ends_with(u'/'); }
    bool isEncrypted() const { return (flags & 1) != 0; }
    // A symbolic link stored by a Unix zip: followed on unpacking, it could write anywhere.
    bool isSymbolicLink() const {
        return madeBy >> 8 == 3 && (attributes >> 16 & 0xF000) == 0xA000;
    }
    // Sizes that say "look in the ZIP64 extra field", which this reader does not.
    bool isZip64() const { return packedSize == 0xFFFFFFFF || size == 0xFFFFFFFF; }
};

// Reads a ZIP archive from a file without holding more of it than the central directory and one
// 64 KiB piece at a time. Every failure is a Failure whose description names the archive.
class ZipReader {
public:
    // Opens the archive and reads its central directory, refusing more than maxEntries entries.
    ZipReader(const std::filesystem::path& archive, std::size_t maxEntries);

    const std::vector<ZipEntry>& entries() const { return entries_; }

    using Sink = std::function<void(const char* data, std::size_t size)>;
    // Hands the entry's unpacked bytes to sink piece by piece, checking its local header against
    // the central directory, its size as it grows (never more than the directory says) and its
    // checksum. Stored and deflated entries only.
    void read(const ZipEntry& entry, const Sink& sink);

    // Throws a Failure with the description, naming the archive.
    [[noreturn]] void fail(const std::u16string& description) const;
    // "the entry "name" is damaged: why"
    [[noreturn]] void damaged(const ZipEntry& entry, std::u16string_view why) const;

private:
    void readDirectory(std::size_t maxEntries);
    void readAt(std::uint64_t offset, char* data, std::size_t size);
    void readStored(const ZipEntry& entry, std::uint64_t offset, const Sink& sink);
    void readDeflated(const ZipEntry& entry, std::uint64_t offset, const Sink& sink);

    std::filesystem::path path_;
    std::ifstream in_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t directoryOffset_ = 0;
    std::vector<ZipEntry> entries_;
};

// "the entry "name""
std::u16string entryText(const std::u16string& name);

} // namespace tobble
