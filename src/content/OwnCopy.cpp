#include "content/OwnCopy.h"

#include <filesystem>
#include <system_error>

#include "base/Failure.h"
#include "base/NewFolders.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

bool isCharacterFile(std::u16string name) {
    for (char16_t& c : name)
        c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    return name == u"config.ini" || name == u"picture.jpg" ||
           (name.size() > 4 && name.ends_with(u".wav"));
}

[[noreturn]] void fail(const std::error_code& error, const fs::path& path) {
    throw Failure(systemDescription(error) + u" (" + path.u16string() + u")");
}

// Regular files only: a pipe or a device named like a sound would block the copy.
void copyCharacterFiles(const fs::path& from, const fs::path& to) {
    std::error_code error;
    for (fs::directory_iterator it(from, error), end; it != end; it.increment(error)) {
        if (error)
            break;
        const fs::path name = it->path().filename();
        if (!isCharacterFile(name.u16string()) || !it->is_regular_file(error))
            continue;
        if (!fs::copy_file(it->path(), to / name, error) || error)
            fail(error, to / name);
        // A read-only original must not make a copy the editor cannot save.
        fs::permissions(to / name, fs::perms::owner_write, fs::perm_options::add, error);
        if (error)
            fail(error, to / name);
    }
    if (error)
        fail(error, from);
}

} // namespace

std::u16string makeOwnCopy(Platform& platform, const std::u16string& folder,
                           const std::u16string& title) {
    const fs::path parent(platform.ownCharactersFolder());
    const fs::path createdAbove = createFolders(parent);
    fs::path copy;
    try {
        copy = createFreeFolder(parent, safeFileName(title));
        copyCharacterFiles(fs::path(folder), copy);
        platform.makeStartable(copy.u16string(), copy.filename().u16string());
    } catch (...) {
        removeQuietly(createdAbove.empty() ? copy : createdAbove);
        throw;
    }
    return copy.u16string();
}

} // namespace tobble
