#pragma once

#include <string>

#include "seams/OwnCharacters.h"

namespace tobble {

// Copies the character in folder (config.ini, picture.jpg and its numbered sounds, the names as
// found) into a new folder of the user's own named after title, and has the platform make it
// startable. Returns the new folder. On any failure nothing of it is left behind, and Failure
// carries the system's description.
std::u16string makeOwnCopy(OwnCharacters& own, const std::u16string& folder,
                           const std::u16string& title);

// Unpacks the character file archive (already checked) into a new folder of the user's own named
// after title, as an own copy is made, and has the platform make it startable. Returns the new
// folder. On any failure nothing of it is left behind, and Failure says why.
std::u16string addOwnCharacter(OwnCharacters& own, const std::u16string& archive,
                               const std::u16string& title);

} // namespace tobble
