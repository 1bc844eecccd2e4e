#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// A folder of the fuzz run's own, made once, where an input is written as the file it stands for.
inline const std::filesystem::path& scratch() {
    static const std::filesystem::path directory = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tobble-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern);
    }();
    return directory;
}
