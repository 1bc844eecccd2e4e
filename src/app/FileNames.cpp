#include "app/FileNames.h"

#include <filesystem>
#include <system_error>

namespace tobble {
namespace {

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

bool equalIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::u16string findFileIgnoringCase(const std::u16string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path wanted(path);
    if (fs::exists(wanted, error) || error)
        return path;

    const std::u16string wantedName = wanted.filename().u16string();
    fs::path found;
    int matches = 0;
    for (fs::directory_iterator it(wanted.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        if (equalIgnoringAsciiCase(it->path().filename().u16string(), wantedName)) {
            found = it->path();
            ++matches;
        }
    }
    if (error || matches != 1 || !path.ends_with(wantedName))
        return path;
    return path.substr(0, path.size() - wantedName.size()) + found.filename().u16string();
}

} // namespace tobble
