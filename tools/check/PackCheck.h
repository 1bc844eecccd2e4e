#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "WavInfo.h"

namespace tobble::check {

struct SoundCheck {
    std::string file; // the name the program plays (with the case found on disk)
    bool exists = false;
    WavInfo wav;
};

struct SpokenItem {
    int number = 0;
    std::u16string text;
    SoundCheck sound;
};

struct PictureCheck {
    bool exists = false;
    std::u16string renameHint; // picture.jpg is missing, but a picture.png or .jpeg is there
    bool decodes = false;
    int width = 0; // the picture's own size, before any scaling for the window
    int height = 0;
};

struct LoadError {
    std::u16string message; // exactly what the program's message box shows
    std::u16string title;
    // Where the config.ini reader stopped; absent when the failure came before reading items
    // (the picture, or a config.ini that cannot be opened).
    std::optional<std::size_t> line;
    std::optional<std::size_t> column;
    std::optional<std::size_t> item; // the item the reader failed on
};

// One item of config.ini as the reader took it, so that an author sees where items shifted.
struct ItemRow {
    std::size_t number = 0;
    std::size_t line = 0;
    std::string role;     // "title", "line 3 of 12"...
    std::u16string text;  // shortened when long
    bool missing = false; // due when the file ended
};

enum class Verdict { Complete = 0, Incomplete = 1, LoadFails = 2 };

struct PackReport {
    std::filesystem::path directory;
    PictureCheck picture;
    std::optional<std::u16string> title; // set once the reader got that far
    std::optional<SpokenItem> greeting;
    std::vector<SpokenItem> lines;
    std::vector<SpokenItem> answers;
    std::vector<std::string> unusedFiles;
    std::vector<std::string> leftOut; // what a character file holds that is not unpacked
    std::vector<ItemRow> items;       // after a failure, or when asked for
    std::optional<LoadError> error;

    Verdict verdict() const;
};

// Loads the directory with the program's own loader, then looks at every file it names. Reads
// only; writes nothing.
PackReport checkPack(const std::filesystem::path& directory, bool listItemsToo = false);

// A character file checked as Tobble opens one: refused (Failure with the reason), or unpacked
// into a scratch folder that is checked as a folder is and removed again. The report names the
// file and lists what it holds that is left out.
PackReport checkCharacterFile(const std::filesystem::path& file, bool listItemsToo = false);

// Writes the character in directory as a character file: its config.ini, picture.jpg and
// numbered sounds. Returns the file written: file, or the title made safe with ".tobble" in the
// current folder. Throws Failure.
std::filesystem::path packCheckedCharacter(const PackReport& report,
                                           const std::filesystem::path& file);

} // namespace tobble::check
