#pragma once

#include <string>

namespace tobble {

// Content packs made on Windows may spell "config.ini" as "Config.ini" or "A1.WAV". When the
// exact name does not exist, returns the one file in the same directory whose name matches it
// ignoring ASCII case; otherwise (exact match, none, or several) returns the path unchanged.
std::u16string findFileIgnoringCase(const std::u16string& path);

} // namespace tobble
