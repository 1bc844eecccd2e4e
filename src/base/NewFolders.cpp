#include "base/NewFolders.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "base/AsciiCase.h"
#include "base/Failure.h"
#include "base/NumberText.h"

namespace tobble {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestName = 64;

[[noreturn]] void fail(const std::error_code& error, const fs::path& path) {
    throw Failure(systemDescription(error), path.u16string());
}

bool isDeviceName(std::u16string_view name) {
    const std::u16string_view stem = name.substr(0, name.find(u'.'));
    std::u16string upper;
    for (const char16_t c : stem)
        upper += asciiUpper(c);
    static constexpr std::array<std::u16string_view, 4> kDevices{u"CON", u"PRN", u"AUX", u"NUL"};
    for (const std::u16string_view device : kDevices)
        if (upper == device)
            return true;
    return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
           upper[3] >= u'1' && upper[3] <= u'9';
}

} // namespace

std::u16string safeFileName(std::u16string_view text) {
    std::u16string name;
    for (const char16_t c : text) {
        const bool bad = c < 0x20 || c == 0x7F ||
                         std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
        name += bad ? u'_' : c;
    }
    const auto trimmed = [](char16_t c) { return c == u' ' || c == u'.' || c == u'\t'; };
    while (!name.empty() && trimmed(name.back()))
        name.pop_back();
    std::size_t begin = 0;
    while (begin < name.size() && trimmed(name[begin]))
        ++begin;
    name.erase(0, begin);
    if (name.size() > kLongestName) {
        std::size_t end = kLongestName;
        if (name[end - 1] >= 0xD800 && name[end - 1] <= 0xDBFF) // not half a character
            --end;
        name.resize(end);
        while (!name.empty() && trimmed(name.back()))
            name.pop_back();
    }
    if (name.empty())
        return u"Tobble";
    if (isDeviceName(name)) { // "nul.txt" is the device too: the part before the dot changes
        const std::size_t dot = std::min(name.find(u'.'), name.size());
        name = name.substr(0, dot) + u'_' + name.substr(dot);
    }
    return name;
}

fs::path createFolders(const fs::path& folder) {
    std::error_code error;
    fs::path topmost;
    for (fs::path above = folder; !above.empty() && !fs::exists(above, error) && !error;
         above = above.parent_path()) {
        topmost = above;
        if (above == above.parent_path())
            break;
    }
    if (error)
        fail(error, folder);
    if (!topmost.empty() && !fs::create_directories(folder, error) && error) {
        removeQuietly(topmost);
        fail(error, folder);
    }
    return topmost;
}

fs::path createFreeFolder(const fs::path& parent, const std::u16string& name) {
    for (unsigned number = 1;; ++number) {
        const fs::path folder = parent / (number == 1 ? name : name + u" " + decimalText(number));
        std::error_code error;
        if (fs::create_directory(folder, error))
            return folder;
        if (error || number == 1000)
            fail(error ? error : std::make_error_code(std::errc::file_exists), folder);
    }
}

fs::path freeFileName(const fs::path& parent, const std::u16string& stem,
                      const std::u16string& extension) {
    for (unsigned number = 1;; ++number) {
        const fs::path file =
            parent / ((number == 1 ? stem : stem + u" " + decimalText(number)) + extension);
        std::error_code error;
        if (!fs::exists(fs::symlink_status(file, error)) || number == 1000)
            return file;
    }
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    if (!path.empty())
        fs::remove_all(path, ignored);
}

} // namespace tobble
