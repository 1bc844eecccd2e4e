#pragma once

#include <string>
#include <string_view>

#include "app/CharacterFileOpening.h"

namespace tobble {

// The program takes no command line of its own but a character file to add; only --help and
// --version are answered, before any window, and everything else given is ignored.
enum class CommandLineRequest { Start, Help, Version };

inline CommandLineRequest commandLineRequest(int argc, const char* const argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] ? argv[i] : "";
        if (argument == "--help" || argument == "-h")
            return CommandLineRequest::Help;
        if (argument == "--version")
            return CommandLineRequest::Version;
    }
    return CommandLineRequest::Start;
}

// The first argument that names a character file, or null.
inline const char* characterFileArgument(int argc, const char* const argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] ? argv[i] : "";
        // Only the ASCII ending counts, so the bytes are widened as they are.
        if (namesCharacterFile(std::u16string(argument.begin(), argument.end())))
            return argv[i];
    }
    return nullptr;
}

constexpr const char* kUsage =
    "Usage: tobble [--help | --version | FILE.tobble]\n"
    "Shows Tobble, a talking cartoon character, in a small window above all other windows.\n"
    "The character is read from the folder the program was started from (config.ini,\n"
    "picture.jpg and the .wav files); started by its bare name, Tobble shows the bundled one.\n"
    "Given a character file (FILE.tobble, as a double-click on one gives it), Tobble checks it,\n"
    "asks whether to add its character to your own (in ~/Tobble) and starts it from there.\n"
    "Any other argument is ignored. Tobble needs a graphical desktop (X11 or Wayland).\n"
    "\n"
    "  -h, --help  print this text and exit\n"
    "  --version   print the version and exit\n";

} // namespace tobble
