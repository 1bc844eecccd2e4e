#include "base/FileNames.h"

#include <filesystem>
#include <system_error>

#include "base/AsciiCase.h"
#include "base/Failure.h"

namespace tobble {
namespace {

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

ExaminedFile examineFile(const std::u16string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fs::path(path), error);
    switch (status.type()) {
    case fs::file_type::regular:
        return {FileKind::Regular, {}};
    case fs::file_type::not_found:
        return {FileKind::Missing, u"File not found: " + path};
    case fs::file_type::directory:
        return {FileKind::Directory, path + u" is a folder, not a file"};
    case fs::file_type::none:
    case fs::file_type::unknown:
        return {FileKind::Unreachable,
                path + u" cannot be examined: " +
                    (error ? systemDescription(error) : std::u16string(u"unknown reason"))};
    default:
        return {FileKind::Special, path + u" is a pipe, socket or device, not a file"};
    }
}

void requireRegularFile(const std::u16string& path) {
    ExaminedFile file = examineFile(path);
    if (file.kind != FileKind::Regular)
        throw Failure(std::move(file.problem));
}

} // namespace tobble
