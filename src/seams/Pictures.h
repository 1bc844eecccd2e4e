#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Failure.h"

namespace tobble {

// A decoded picture, the same for every frontend: rows from the top, each pixel 0xAARRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
// Shared, not copied: the window keeps the one the loader made.
using PicturePtr = std::shared_ptr<const Picture>;

// Decodes the character's picture file.
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // Throws Failure when the file is missing or cannot be decoded.
    virtual PicturePtr loadPicture(const std::u16string& path) = 0;
};

// What every decoder says of a file it cannot decode, with the decoder's own reason.
inline Failure pictureCannotBeShown(const std::u16string& path, const std::u16string& reason) {
    return Failure(u"Invalid picture: " + path + u" cannot be shown (" + reason + u")");
}

} // namespace tobble
