#include "content/ZipReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <system_error>

#include <zlib.h>

#include "base/Failure.h"
#include "base/FileNames.h"
#include "base/TextEncoding.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPiece = 64 * 1024;
constexpr std::size_t kEndRecord = 22, kDirectoryRecord = 46, kLocalHeader = 30;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::uint32_t kEndSignature = 0x06054b50, kDirectorySignature = 0x02014b50,
                        kLocalSignature = 0x04034b50;
constexpr std::uint16_t kStored = 0, kDeflated = 8, kDataDescriptor = 8;

std::uint16_t u16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t u32(const char* p) {
    return u16(p) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}

std::u16string decodeName(const std::string& bytes) {
    // Zip tools disagree on the flag that says UTF-8; any name the program reads is ASCII anyway.
    std::optional<std::u16string> utf8 = decodeUtf8(bytes);
    return utf8 ? *utf8 : decodeWindows1252(bytes);
}

} // namespace

std::u16string entryText(const std::u16string& name) {
    return u"the entry \"" + name + u"\"";
}

ZipReader::ZipReader(const fs::path& archive, std::size_t maxEntries) : path_(archive) {
    requireRegularFile(archive.u16string());
    errno = 0;
    in_.open(archive, std::ios::binary);
    if (!in_)
        throw Failure(
            systemDescription(std::error_code(errno ? errno : EIO, std::generic_category())),
            archive.u16string());
    in_.seekg(0, std::ios::end);
    const std::streamoff size = in_.tellg();
    if (size < 0)
        fail(u"this archive cannot be read");
    fileSize_ = static_cast<std::uint64_t>(size);
    readDirectory(maxEntries);
}

void ZipReader::fail(const std::u16string& description) const {
    throw Failure(description, path_.u16string());
}

void ZipReader::damaged(const ZipEntry& entry, std::u16string_view why) const {
    fail(entryText(entry.name) + u" is damaged: " + std::u16string(why));
}

void ZipReader::readAt(std::uint64_t offset, char* data, std::size_t size) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(data, static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in_.gcount()) != size)
        fail(u"this archive cannot be read to its end");
}

void ZipReader::readDirectory(std::size_t maxEntries) {
    // The end record is the last thing in the file, followed only by its own comment.
    std::string tail(
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, kEndRecord + kLongestComment)),
        '\0');
    readAt(fileSize_ - tail.size(), tail.data(), tail.size());
    std::size_t end = std::string::npos;
    for (std::size_t at = tail.size() >= kEndRecord ? tail.size() - kEndRecord + 1 : 0; at-- > 0;)
        if (u32(&tail[at]) == kEndSignature &&
            at + kEndRecord + u16(&tail[at + 20]) <= tail.size()) {
            end = at;
            break;
        }
    if (end == std::string::npos) {
        // A ZIP archive that lost its end, as an interrupted download does, begins as one.
        char head[4] = {};
        if (fileSize_ >= 4)
            readAt(0, head, 4);
        fail(u32(head) == kLocalSignature ? u"this ZIP archive is cut short"
                                          : u"this is not a ZIP archive");
    }
    const char* record = &tail[end];
    const std::uint64_t endOffset = fileSize_ - tail.size() + end;
    const std::uint16_t disk = u16(record + 4), directoryDisk = u16(record + 6);
    const std::uint16_t onDisk = u16(record + 8), count = u16(record + 10);
    const std::uint32_t directorySize = u32(record + 12), directoryOffset = u32(record + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
        fail(u"this is a ZIP64 archive, which is not supported");
    if (disk != 0 || directoryDisk != 0 || onDisk != count)
        fail(u"this ZIP archive is split into several parts, which is not supported");
    if (count > maxEntries)
        fail(u"this archive has more than " + decodeWindows1252(std::to_string(maxEntries)) +
             u" entries");
    if (std::uint64_t{directoryOffset} + directorySize > endOffset)
        fail(u"this ZIP archive is damaged: its directory lies outside it");
    directoryOffset_ = directoryOffset;

    std::uint64_t at = directoryOffset;
    const std::uint64_t directoryEnd = std::uint64_t{directoryOffset} + directorySize;
    std::array<char, kDirectoryRecord> fixed{};
    for (std::size_t i = 0; i < count; ++i) {
        if (at + kDirectoryRecord > directoryEnd)
            fail(u"this ZIP archive is damaged: its directory is cut short");
        readAt(at, fixed.data(), fixed.size());
        if (u32(fixed.data()) != kDirectorySignature)
            fail(u"this ZIP archive is damaged: its directory is broken");
        ZipEntry entry;
        entry.madeBy = u16(&fixed[4]);
        entry.flags = u16(&fixed[8]);
        entry.method = u16(&fixed[10]);
        entry.crc = u32(&fixed[16]);
        entry.packedSize = u32(&fixed[20]);
        entry.size = u32(&fixed[24]);
        const std::uint16_t nameSize = u16(&fixed[28]);
        const std::uint32_t skipped = std::uint32_t{u16(&fixed[30])} + u16(&fixed[32]);
        entry.attributes = u32(&fixed[38]);
        entry.localOffset = u32(&fixed[42]);
        at += kDirectoryRecord;
        if (at + nameSize + skipped > directoryEnd)
            fail(u"this ZIP archive is damaged: its directory is cut short");
        entry.rawName.resize(nameSize);
        readAt(at, entry.rawName.data(), nameSize);
        entry.name = decodeName(entry.rawName);
        if (entry.name.empty())
            fail(u"this ZIP archive is damaged: an entry has no name");
        at += nameSize + skipped;
        entries_.push_back(std::move(entry));
    }
}

void ZipReader::read(const ZipEntry& entry, const Sink& sink) {
    if (entry.isZip64())
        fail(entryText(entry.name) + u" is a ZIP64 entry, which is not supported");
    if (entry.isEncrypted())
        fail(entryText(entry.name) + u" is encrypted");
    if (entry.method != kStored && entry.method != kDeflated)
        fail(entryText(entry.name) + u" is compressed in a way that is not supported");
    if (std::uint64_t{entry.localOffset} + kLocalHeader > directoryOffset_)
        damaged(entry, u"its data lies outside the archive");
    std::array<char, kLocalHeader> header{};
    readAt(entry.localOffset, header.data(), header.size());
    const std::uint16_t flags = u16(&header[6]);
    const std::uint64_t nameSize = u16(&header[26]), extraSize = u16(&header[28]);
    const std::uint64_t dataOffset = entry.localOffset + kLocalHeader + nameSize + extraSize;
    bool agrees = u32(header.data()) == kLocalSignature && u16(&header[8]) == entry.method &&
                  (flags & 1) == (entry.flags & 1) && nameSize == entry.rawName.size() &&
                  dataOffset + entry.packedSize <= directoryOffset_;
    // With a data descriptor the sizes and checksum follow the data instead.
    if (agrees && !(flags & kDataDescriptor))
        agrees = u32(&header[14]) == entry.crc && u32(&header[18]) == entry.packedSize &&
                 u32(&header[22]) == entry.size;
    if (agrees) {
        std::string name(nameSize, '\0');
        readAt(entry.localOffset + kLocalHeader, name.data(), name.size());
        agrees = name == entry.rawName;
    }
    if (!agrees)
        damaged(entry, u"its header does not agree with the archive's directory");
    if (entry.method == kStored)
        readStored(entry, dataOffset, sink);
    else
        readDeflated(entry, dataOffset, sink);
}

void ZipReader::readStored(const ZipEntry& entry, std::uint64_t offset, const Sink& sink) {
    if (entry.packedSize != entry.size)
        damaged(entry, u"its sizes do not agree");
    std::vector<char> piece(kPiece);
    uLong crc = crc32(0, nullptr, 0);
    for (std::uint64_t done = 0; done < entry.size;) {
        const auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, entry.size - done));
        readAt(offset + done, piece.data(), size);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(size));
        sink(piece.data(), size);
        done += size;
    }
    if (crc != entry.crc)
        damaged(entry, u"its checksum does not match");
}

void ZipReader::readDeflated(const ZipEntry& entry, std::uint64_t offset, const Sink& sink) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        fail(u"there is not enough memory to unpack this archive");
    struct End {
        z_stream& stream;
        ~End() { inflateEnd(&stream); }
    } end{stream};

    std::vector<char> input(kPiece), output(kPiece);
    std::uint64_t left = entry.packedSize, produced = 0;
    uLong crc = crc32(0, nullptr, 0);
    for (int status = Z_OK; status != Z_STREAM_END;) {
        if (stream.avail_in == 0 && left > 0) {
            const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, left));
            readAt(offset + entry.packedSize - left, input.data(), size);
            left -= size;
            stream.next_in = reinterpret_cast<Bytef*>(input.data());
            stream.avail_in = static_cast<uInt>(size);
        }
        stream.next_out = reinterpret_cast<Bytef*>(output.data());
        stream.avail_out = static_cast<uInt>(output.size());
        status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_MEM_ERROR)
            fail(u"there is not enough memory to unpack this archive");
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            damaged(entry, u"its compressed data is invalid");
        const std::size_t size = output.size() - stream.avail_out;
        if (size == 0 && stream.avail_in == 0 && left == 0 && status != Z_STREAM_END)
            damaged(entry, u"its compressed data ends too soon");
        // Checked as it grows, so that data claiming a small size never unpacks to more.
        produced += size;
        if (produced > entry.size)
            damaged(entry, u"it unpacks to more than its stated size");
        crc = crc32(crc, reinterpret_cast<const Bytef*>(output.data()), static_cast<uInt>(size));
        sink(output.data(), size);
    }
    if (produced != entry.size)
        damaged(entry, u"it unpacks to less than its stated size");
    if (crc != entry.crc)
        damaged(entry, u"its checksum does not match");
}

} // namespace tobble
