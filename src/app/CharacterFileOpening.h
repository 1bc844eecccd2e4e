#pragma once

#include <string>
#include <string_view>

#include "seams/Platform.h"

namespace tobble {

// Whether a command-line argument names a character file: a ".tobble" file, in any case.
bool namesCharacterFile(std::u16string_view argument);

// Tobble started with a character file, as a double-click on one starts it: checks the file,
// asks whether to add its character, and on Yes unpacks it into a new folder of the user's own,
// makes that startable as an own copy is, and starts it. Nothing is written unless the user says
// Yes; a bad file, or a failure on the way, is told in a message box and leaves nothing behind.
// Returns the process's exit status.
int openCharacterFile(const std::u16string& file, const Platform& platform);

} // namespace tobble
