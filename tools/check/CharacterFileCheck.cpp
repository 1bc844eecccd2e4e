// Character files for the checker: checked by unpacking, as Tobble unpacks one, and written.
#include <algorithm>
#include <filesystem>

#include "PackCheck.h"
#include "base/Failure.h"
#include "base/NewFolders.h"
#include "base/TextEncoding.h"
#include "content/CharacterArchive.h"
#include "content/CharacterFiles.h"
#include "content/CharacterPacker.h"

namespace tobble::check {

namespace fs = std::filesystem;

PackReport checkCharacterFile(const fs::path& file, bool listItemsToo) {
    const ArchiveContents contents = readCharacterArchive(file);
    const fs::path scratch = createFreeFolder(fs::temp_directory_path(), u"tobble-check");
    PackReport report;
    try {
        unpackCharacterArchive(file, scratch / "character");
        report = checkPack(scratch / "character", listItemsToo);
    } catch (...) {
        removeQuietly(scratch);
        throw;
    }
    removeQuietly(scratch);
    report.directory = fs::absolute(file);
    for (const std::u16string& name : contents.leftOut)
        report.leftOut.push_back(toUtf8(name));
    return report;
}

fs::path packCheckedCharacter(const PackReport& report, const fs::path& file) {
    std::vector<std::u16string> files;
    std::error_code error;
    for (fs::directory_iterator it(report.directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::u16string name = it->path().filename().u16string();
        if (isCharacterFileName(name) && it->is_regular_file(error))
            files.push_back(name);
    }
    if (error)
        throw Failure(systemDescription(error), report.directory.u16string());
    std::sort(files.begin(), files.end());
    const fs::path archive =
        file.empty() ? fs::path(safeFileName(report.title.value_or(u"")) + u".tobble") : file;
    packCharacter(report.directory, files, archive);
    return archive;
}

} // namespace tobble::check
