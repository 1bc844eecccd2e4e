#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tobble {

// Writes archive, a ".tobble" file holding the given files of folder at its top, deflated. The
// files must be the character's own (config.ini, picture.jpg, sounds), each named once and within
// the sizes an archive is unpacked with. It is written under a hidden name beside archive and
// renamed at the end, replacing any file of that name: on failure nothing new is left. Throws
// Failure.
void packCharacter(const std::filesystem::path& folder, const std::vector<std::u16string>& files,
                   const std::filesystem::path& archive);

} // namespace tobble
