#include "content/OwnCopy.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/Failure.h"
#include "base/NewFolders.h"
#include "content/CharacterArchive.h"
#include "content/CharacterFiles.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

// Compared as ASCII in the system's own spelling, so that a name that does not convert (not UTF-8
// on Linux) is merely no character file.
bool isCharacterFile(const fs::path& name) {
    std::u16string text;
    for (const auto c : name.native()) {
        const auto code = static_cast<std::uint32_t>(c) & (sizeof c == 1 ? 0xFFu : 0xFFFFFFFFu);
        text += code < 0x80 ? static_cast<char16_t>(code) : u'?';
    }
    return isCharacterFileName(text);
}

// The system's last error: a stream's failure does not say why, and copy_file reports a disk that
// fills up midway as an input/output error.
[[noreturn]] void failWithLastError(const fs::path& path) {
    throw Failure(systemDescription(std::error_code(errno ? errno : EIO, std::generic_category())),
                  path.u16string());
}

void copyFile(const fs::path& from, const fs::path& to) {
    errno = 0;
    std::ifstream in(from, std::ios::binary);
    if (!in)
        failWithLastError(from);
    std::ofstream out(to, std::ios::binary);
    if (!out)
        failWithLastError(to);
    std::vector<char> buffer(64 * 1024);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0 && !out.write(buffer.data(), in.gcount()))
            failWithLastError(to);
    }
    if (in.bad())
        failWithLastError(from);
    out.close();
    if (!out)
        failWithLastError(to);
}

// Regular files only: a pipe or a device named like a sound would block the copy.
void copyCharacterFiles(const fs::path& from, const fs::path& to) {
    std::error_code error;
    for (fs::directory_iterator it(from, error), end; it != end; it.increment(error)) {
        if (error)
            break;
        const fs::path name = it->path().filename();
        if (isCharacterFile(name) && it->is_regular_file(error))
            copyFile(it->path(), to / name);
    }
    if (error)
        throw Failure(systemDescription(error), from.u16string());
}

// Makes a new folder of the user's own with fill (which gets the folder for the characters and
// the name it should take, and returns the folder it made) and makes it startable; on any failure
// nothing of it is left behind.
template <typename Fill>
std::u16string makeOwn(OwnCharacters& own, const std::u16string& title, const Fill& fill) {
    const fs::path parent(own.ownCharactersFolder());
    const fs::path createdAbove = createFolders(parent);
    fs::path made;
    try {
        made = fill(parent, safeFileName(title));
        own.makeStartable(made.u16string(), made.filename().u16string());
    } catch (...) {
        removeQuietly(createdAbove.empty() ? made : createdAbove);
        throw;
    }
    return made.u16string();
}

} // namespace

std::u16string makeOwnCopy(OwnCharacters& own, const std::u16string& folder,
                           const std::u16string& title) {
    return makeOwn(own, title, [&](const fs::path& parent, const std::u16string& name) {
        const fs::path copy = createFreeFolder(parent, name);
        try {
            copyCharacterFiles(fs::path(folder), copy);
        } catch (...) {
            removeQuietly(copy);
            throw;
        }
        return copy;
    });
}

std::u16string addOwnCharacter(OwnCharacters& own, const std::u16string& archive,
                               const std::u16string& title) {
    return makeOwn(own, title, [&](const fs::path& parent, const std::u16string& name) {
        const fs::path folder = freeFileName(parent, name, u"");
        unpackCharacterArchive(fs::path(archive), folder);
        return folder;
    });
}

} // namespace tobble
