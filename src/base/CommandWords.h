#pragma once

#include <string>
#include <vector>

namespace tobble {

// Splits a command line into the program and its arguments at blanks; double quotes group blanks
// into one argument and are not part of it. No shell is involved anywhere.
std::vector<std::u16string> splitCommandLine(const std::u16string& commandLine);

} // namespace tobble
