#include "content/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/Failure.h"
#include "base/FileNames.h"

namespace tobble {

FileBytes::FileBytes(const std::u16string& path) : path_(path) {
    // A FIFO or a device would block the open or the read, and with it the whole window.
    requireRegularFile(path);
    errno = 0;
    in_.open(std::filesystem::path(path), std::ios::binary);
    if (!in_) {
        const int cause = errno;
        throw Failure(path + u" cannot be opened: " +
                      (cause != 0
                           ? systemDescription(std::error_code(cause, std::generic_category()))
                           : std::u16string(u"unknown reason")));
    }
}

std::size_t FileBytes::read(char* buffer, std::size_t size) {
    in_.read(buffer, static_cast<std::streamsize>(size));
    if (in_.bad())
        throw Failure(path_ + u" could not be read to its end");
    return static_cast<std::size_t>(in_.gcount());
}

std::size_t MemoryBytes::read(char* buffer, std::size_t size) {
    const std::size_t count = std::min({size, step_, bytes_.size()});
    bytes_.copy(buffer, count);
    bytes_.remove_prefix(count);
    return count;
}

} // namespace tobble
