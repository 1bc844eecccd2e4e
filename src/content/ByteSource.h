#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>

namespace tobble {

// Bytes handed out a stretch at a time, so that a large file is never held whole.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to size bytes into buffer and says how many; 0 once the bytes have ended. Throws
    // Failure when they cannot be read.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

// A regular file, open from construction to destruction. Throws Failure when it is missing, not
// a regular file or cannot be opened.
class FileBytes : public ByteSource {
public:
    explicit FileBytes(const std::u16string& path);

    std::size_t read(char* buffer, std::size_t size) override;

private:
    std::u16string path_;
    std::ifstream in_;
};

// Bytes already in memory, at most step of them per read (a file's reads come in any sizes).
class MemoryBytes : public ByteSource {
public:
    explicit MemoryBytes(std::string_view bytes, std::size_t step = std::string_view::npos)
        : bytes_(bytes), step_(step) {}

    std::size_t read(char* buffer, std::size_t size) override;

private:
    std::string_view bytes_;
    std::size_t step_;
};

} // namespace tobble
