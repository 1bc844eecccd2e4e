#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tobble {

// A name for a file or folder made from any text, valid on every system Tobble runs on: no
// separators, wildcards or control characters, no blanks or dots at either end, no device name
// ("CON", "nul.txt"), not too long; "Tobble" when nothing is left.
std::u16string safeFileName(std::u16string_view text);

// Creates folder and every missing folder above it. Returns the topmost one it created, whose
// removal undoes it all, or an empty path when folder existed. Throws Failure.
std::filesystem::path createFolders(const std::filesystem::path& folder);

// Creates a new, empty folder in parent named name, or "name 2", "name 3", ... when taken.
// Throws Failure.
std::filesystem::path createFreeFolder(const std::filesystem::path& parent,
                                       const std::u16string& name);

// The first of "stem.extension", "stem 2.extension", ... that does not exist in parent.
std::filesystem::path freeFileName(const std::filesystem::path& parent, const std::u16string& stem,
                                   const std::u16string& extension);

// Removes path and all it holds, if anything; never fails.
void removeQuietly(const std::filesystem::path& path);

} // namespace tobble
