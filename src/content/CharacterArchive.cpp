#include "content/CharacterArchive.h"

#include "content/CharacterFiles.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <system_error>

#include "base/AsciiCase.h"
#include "base/Failure.h"
#include "base/NewFolders.h"
#include "content/ZipReader.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

std::u16string lower(std::u16string_view text) {
    std::u16string result(text);
    for (char16_t& c : result)
        c = asciiLower(c);
    return result;
}

// The name's parts between slashes, without empty and "." parts.
std::vector<std::u16string> nameParts(std::u16string_view name) {
    std::vector<std::u16string> parts;
    for (std::size_t begin = 0; begin <= name.size();) {
        const std::size_t end = std::min(name.find(u'/', begin), name.size());
        const std::u16string_view part = name.substr(begin, end - begin);
        if (!part.empty() && part != u".")
            parts.emplace_back(part);
        begin = end + 1;
    }
    return parts;
}

void checkEntry(const ZipReader& reader, const ZipEntry& entry,
                const std::vector<std::u16string>& parts) {
    const std::u16string entry_ = entryText(entry.name);
    if (entry.isEncrypted())
        reader.fail(entry_ + u" is encrypted");
    if (entry.method != 0 && entry.method != 8)
        reader.fail(entry_ + u" is compressed in a way that is not supported");
    if (entry.isZip64())
        reader.fail(entry_ + u" is a ZIP64 entry, which is not supported");
    if (entry.name.find(u'\\') != std::u16string::npos)
        reader.fail(entry_ + u" has a backslash in its name");
    // A colon is a drive ("C:x") or, on Windows, a hidden stream of a file ("config.ini:x").
    bool outside = entry.name.starts_with(u'/') || entry.name.find(u':') != std::u16string::npos;
    for (const std::u16string& part : parts)
        outside = outside || part == u"..";
    if (outside)
        reader.fail(entry_ + u" points outside the character");
    if (entry.isSymbolicLink())
        reader.fail(entry_ + u" is a symbolic link");
}

struct Selection {
    ArchiveContents contents;
    std::vector<const ZipEntry*> taken;
};

Selection select(const ZipReader& reader) {
    Selection selection;
    std::map<std::u16string, const ZipEntry*> byLowerName;
    std::set<std::u16string> folders; // the top folders holding character files ("" the top)
    std::vector<std::pair<const ZipEntry*, std::u16string>> topFolderEntries;
    for (const ZipEntry& entry : reader.entries()) {
        const std::vector<std::u16string> parts = nameParts(entry.name);
        checkEntry(reader, entry, parts);
        std::u16string key;
        for (const std::u16string& part : parts)
            key += lower(part) + u'/';
        if (!entry.isDirectory())
            key.pop_back();
        const auto [found, added] = byLowerName.emplace(key, &entry);
        if (!added && found->second->name == entry.name)
            reader.fail(entryText(entry.name) + u" appears twice");
        if (!added)
            reader.fail(u"\"" + found->second->name + u"\" and \"" + entry.name +
                        (lower(found->second->name) == lower(entry.name)
                             ? u"\" differ only in case"
                             : u"\" name the same file"));

        if (entry.isDirectory() && parts.size() == 1)
            topFolderEntries.emplace_back(&entry, parts[0]);
        else if (!entry.isDirectory() && !parts.empty() && parts.size() <= 2 &&
                 isCharacterFileName(parts.back())) {
            folders.insert(parts.size() == 1 ? std::u16string() : parts[0]);
            selection.contents.taken.push_back({entry.name, parts.back(), entry.size});
            selection.taken.push_back(&entry);
        } else
            selection.contents.leftOut.push_back(entry.name);
    }

    if (folders.size() > 1 && folders.contains(u""))
        reader.fail(u"the character's files are both at the archive's top and in the folder \"" +
                    *folders.rbegin() + u"\"");
    if (folders.size() > 1)
        reader.fail(u"the character's files are in more than one folder: \"" + *folders.begin() +
                    u"\" and \"" + *std::next(folders.begin()) + u"\"");
    for (const auto& [entry, folder] : topFolderEntries)
        if (!folders.contains(folder))
            selection.contents.leftOut.push_back(entry->name);

    bool hasConfig = false;
    std::uint64_t total = 0;
    for (const ArchiveEntry& entry : selection.contents.taken) {
        hasConfig = hasConfig || lower(entry.fileName) == u"config.ini";
        if (entry.size > kMaxUnpackedFile)
            reader.fail(entryText(entry.name) + u" unpacks to more than 64 MiB");
        total += entry.size;
    }
    if (total > kMaxUnpackedCharacter)
        reader.fail(u"the character unpacks to more than 256 MiB");
    if (!hasConfig)
        reader.fail(u"there is no config.ini in this archive");
    return selection;
}

[[noreturn]] void failWithLastError(const fs::path& path) {
    throw Failure(systemDescription(std::error_code(errno ? errno : EIO, std::generic_category())),
                  path.u16string());
}

void unpackEntry(ZipReader& reader, const ZipEntry& entry, const fs::path& file) {
    errno = 0;
    std::ofstream out(file, std::ios::binary);
    if (!out)
        failWithLastError(file);
    // The reader never hands out more than the stated size, which is within the limits.
    reader.read(entry, [&](const char* data, std::size_t size) {
        if (!out.write(data, static_cast<std::streamsize>(size)))
            failWithLastError(file);
    });
    out.close();
    if (!out)
        failWithLastError(file);
}

// ".name.partial-1a2b" beside destination; hidden on Linux, and never taken for a character.
fs::path createPartialFolder(const fs::path& destination) {
    static std::mt19937 random{std::random_device{}()};
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%04x", static_cast<unsigned>(random() & 0xFFFF));
        fs::path folder = destination;
        folder.replace_filename(u"." + destination.filename().u16string() + u".partial-" +
                                fs::path(suffix).u16string());
        if (fs::create_directory(folder, error))
            return folder;
        if (error)
            break;
    }
    throw Failure(systemDescription(error ? error : std::make_error_code(std::errc::file_exists)),
                  destination.u16string());
}

} // namespace

ArchiveContents readCharacterArchive(const fs::path& archive) {
    const ZipReader reader(archive, kMaxArchiveEntries);
    return select(reader).contents;
}

void verifyCharacterArchive(const fs::path& archive) {
    ZipReader reader(archive, kMaxArchiveEntries);
    for (const ZipEntry* entry : select(reader).taken)
        reader.read(*entry, [](const char*, std::size_t) {});
}

std::string readCharacterConfig(const fs::path& archive) {
    ZipReader reader(archive, kMaxArchiveEntries);
    const Selection selection = select(reader);
    std::string bytes;
    for (std::size_t i = 0; i < selection.taken.size(); ++i)
        if (lower(selection.contents.taken[i].fileName) == u"config.ini")
            reader.read(*selection.taken[i],
                        [&](const char* data, std::size_t size) { bytes.append(data, size); });
    return bytes;
}

void unpackCharacterArchive(const fs::path& archive, const fs::path& destination) {
    ZipReader reader(archive, kMaxArchiveEntries);
    const Selection selection = select(reader);
    std::error_code error;
    const fs::file_type type = fs::symlink_status(destination, error).type();
    if (type != fs::file_type::not_found)
        throw Failure(
            systemDescription(error ? error : std::make_error_code(std::errc::file_exists)),
            destination.u16string());
    const fs::path createdAbove =
        destination.has_parent_path() ? createFolders(destination.parent_path()) : fs::path();
    fs::path partial;
    try {
        partial = createPartialFolder(destination);
        for (std::size_t i = 0; i < selection.taken.size(); ++i)
            unpackEntry(reader, *selection.taken[i],
                        partial / selection.contents.taken[i].fileName);
        fs::rename(partial, destination, error);
        if (error)
            throw Failure(systemDescription(error), destination.u16string());
    } catch (...) {
        removeQuietly(partial);
        removeQuietly(createdAbove);
        throw;
    }
}

} // namespace tobble
