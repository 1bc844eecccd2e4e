#include "content/CharacterPacker.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <system_error>

#include <zlib.h>

#include "base/AsciiCase.h"
#include "base/Failure.h"
#include "base/NewFolders.h"
#include "base/TextEncoding.h"
#include "content/CharacterArchive.h"
#include "content/CharacterFiles.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPiece = 64 * 1024;
// Unix 2.0, so that unzip gives the files ordinary permissions; a fixed time, 1980-01-01 00:00,
// so that the same character always packs to the same bytes.
constexpr std::uint16_t kMadeBy = 0x0314, kNeeded = 20, kDeflated = 8, kDosTime = 0,
                        kDosDate = 0x21;
constexpr std::uint32_t kFileMode = 0100644u << 16;

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

struct Packed {
    std::string name;
    std::uint32_t crc = 0, packedSize = 0, size = 0, offset = 0;
};

// The fields local headers and directory records share, from "version needed" on.
std::string commonFields(const Packed& file) {
    std::string out;
    put16(out, kNeeded);
    put16(out, 0);
    put16(out, kDeflated);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, file.crc);
    put32(out, file.packedSize);
    put32(out, file.size);
    put16(out, static_cast<std::uint32_t>(file.name.size()));
    put16(out, 0); // no extra field
    return out;
}

[[noreturn]] void failWithLastError(const fs::path& path) {
    throw Failure(systemDescription(std::error_code(errno ? errno : EIO, std::generic_category())),
                  path.u16string());
}

void checkFiles(const fs::path& folder, const std::vector<std::u16string>& files) {
    if (files.size() > kMaxArchiveEntries)
        throw Failure(u"a character has at most 256 files", folder.u16string());
    std::set<std::u16string> names;
    std::uint64_t total = 0;
    for (const std::u16string& name : files) {
        const fs::path file = folder / name;
        if (!isCharacterFileName(name))
            throw Failure(u"this is not one of a character's files", file.u16string());
        std::u16string lower = name;
        for (char16_t& c : lower)
            c = asciiLower(c);
        if (!names.insert(lower).second)
            throw Failure(u"this file is named twice", file.u16string());
        std::error_code error;
        const std::uintmax_t size = fs::file_size(file, error);
        if (error)
            throw Failure(systemDescription(error), file.u16string());
        if (size > kMaxUnpackedFile)
            throw Failure(u"this file is larger than 64 MiB", file.u16string());
        total += size;
    }
    if (total > kMaxUnpackedCharacter)
        throw Failure(u"the character's files are larger than 256 MiB together",
                      folder.u16string());
}

// Deflates file into out; returns its checksum and sizes.
Packed deflateFile(const fs::path& file, std::ofstream& out, const fs::path& archive) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        failWithLastError(file);
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw Failure(u"there is not enough memory to pack the character", archive.u16string());
    struct End {
        z_stream& stream;
        ~End() { deflateEnd(&stream); }
    } end{stream};

    Packed packed;
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t size = 0, packedSize = 0;
    std::vector<char> input(kPiece), output(kPiece);
    for (int status = Z_OK; status != Z_STREAM_END;) {
        in.read(input.data(), static_cast<std::streamsize>(input.size()));
        if (in.bad())
            failWithLastError(file);
        const auto got = static_cast<std::size_t>(in.gcount());
        // It may have grown since its size was checked.
        size += got;
        if (size > kMaxUnpackedFile)
            throw Failure(u"this file is larger than 64 MiB", file.u16string());
        crc = crc32(crc, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(got));
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(got);
        const int flush = in.eof() ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = static_cast<uInt>(output.size());
            status = deflate(&stream, flush);
            const std::size_t made = output.size() - stream.avail_out;
            packedSize += made;
            if (!out.write(output.data(), static_cast<std::streamsize>(made)))
                failWithLastError(archive);
        } while (stream.avail_out == 0 && status != Z_STREAM_END);
        if (flush == Z_FINISH && status != Z_STREAM_END)
            throw Failure(u"the character could not be packed", archive.u16string());
    }
    packed.crc = static_cast<std::uint32_t>(crc);
    packed.size = static_cast<std::uint32_t>(size);
    packed.packedSize = static_cast<std::uint32_t>(packedSize);
    return packed;
}

void writeArchive(const fs::path& folder, const std::vector<std::u16string>& files,
                  const fs::path& partial) {
    errno = 0;
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out)
        failWithLastError(partial);
    std::vector<Packed> written;
    for (const std::u16string& name : files) {
        const auto offset = static_cast<std::uint32_t>(out.tellp());
        Packed file;
        file.name = toUtf8(name);
        // The checksum and sizes are known only once the data is written: they are filled in then.
        std::string header;
        put32(header, 0x04034b50);
        header += commonFields(file) + file.name;
        if (!out.write(header.data(), static_cast<std::streamsize>(header.size())))
            failWithLastError(partial);
        Packed data = deflateFile(folder / name, out, partial);
        data.name = file.name;
        data.offset = offset;
        const std::string filled = commonFields(data).substr(10, 12);
        const std::streampos end = out.tellp();
        out.seekp(offset + 14);
        out.write(filled.data(), static_cast<std::streamsize>(filled.size()));
        out.seekp(end);
        written.push_back(data);
    }

    std::string directory;
    for (const Packed& file : written) {
        put32(directory, 0x02014b50);
        put16(directory, kMadeBy);
        directory += commonFields(file);
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, kFileMode);
        put32(directory, file.offset);
        directory += file.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.tellp());
    const auto directorySize = static_cast<std::uint32_t>(directory.size());
    put32(directory, 0x06054b50);
    put32(directory, 0); // this disk and the directory's
    put16(directory, static_cast<std::uint32_t>(written.size()));
    put16(directory, static_cast<std::uint32_t>(written.size()));
    put32(directory, directorySize);
    put32(directory, directoryOffset);
    put16(directory, 0); // comment
    if (!out.write(directory.data(), static_cast<std::streamsize>(directory.size())))
        failWithLastError(partial);
    out.close();
    if (!out)
        failWithLastError(partial);
}

} // namespace

void packCharacter(const fs::path& folder, const std::vector<std::u16string>& files,
                   const fs::path& archive) {
    checkFiles(folder, files);
    static std::mt19937 random{std::random_device{}()};
    fs::path partial = archive;
    std::error_code error;
    do {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%04x", static_cast<unsigned>(random() & 0xFFFF));
        partial.replace_filename(u"." + archive.filename().u16string() + u".partial-" +
                                 fs::path(suffix).u16string());
    } while (fs::exists(fs::symlink_status(partial, error)));
    try {
        writeArchive(folder, files, partial);
        fs::rename(partial, archive, error);
        if (error)
            throw Failure(systemDescription(error), archive.u16string());
    } catch (...) {
        removeQuietly(partial);
        throw;
    }
}

} // namespace tobble
