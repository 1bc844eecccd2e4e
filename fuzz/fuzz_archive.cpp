// The character archive reader on arbitrary bytes: listing, checking and unpacking a .tobble
// file. A refusal is fine; a crash, a leak, an escaping exception other than Failure, or anything
// left behind after a refusal is not. What unpacks is exactly the listed files, at their sizes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ScratchFolder.h"
#include "base/Failure.h"
#include "content/CharacterArchive.h"

namespace {

using namespace tobble;
namespace fs = std::filesystem;

template <typename Call> bool refused(Call call) {
    try {
        call();
        return false;
    } catch (const Failure&) {
        return true;
    }
}

std::size_t entriesIn(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path archive = scratch() / "x.tobble", destination = scratch() / "x";
    std::ofstream(archive, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    ArchiveContents contents;
    const bool listed = !refused([&] { contents = readCharacterArchive(archive); });
    const bool verified = !refused([&] { verifyCharacterArchive(archive); });
    const bool unpacked = !refused([&] { unpackCharacterArchive(archive, destination); });
    if (verified != unpacked || (verified && !listed))
        std::abort();
    if (unpacked) {
        if (entriesIn(destination) != contents.taken.size())
            std::abort();
        for (const ArchiveEntry& entry : contents.taken)
            if (fs::file_size(destination / entry.fileName) != entry.size)
                std::abort();
        fs::remove_all(destination);
    }
    if (entriesIn(scratch()) != 1)
        std::abort();
    return 0;
}
