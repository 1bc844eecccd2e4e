#pragma once

#include <string>

namespace tobble {

// Characters made on Windows may spell "config.ini" as "Config.ini" or "A1.WAV". When the
// exact name does not exist, returns the one file in the same directory whose name matches it
// ignoring ASCII case; otherwise (exact match, none, or several) returns the path unchanged.
std::u16string findFileIgnoringCase(const std::u16string& path);

enum class FileKind {
    Regular,
    Missing,
    Directory,
    Special,    // a pipe, socket or device: opening or reading it could block
    Unreachable // it cannot be examined at all, for example a folder above it is closed to us
};

struct ExaminedFile {
    FileKind kind;
    std::u16string problem; // empty for a regular file, else a plain sentence naming the path
};

// What stands at path, without opening it.
ExaminedFile examineFile(const std::u16string& path);

// Throws Failure with examineFile's sentence unless path is a regular file.
void requireRegularFile(const std::u16string& path);

} // namespace tobble
