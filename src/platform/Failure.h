#pragma once

#include <stdexcept>
#include <string>

namespace tobble {

// A failure of a platform operation or of reading content, with a description a person can read.
// Commands decide what to do with it: show it, or end silently.
class Failure : public std::runtime_error {
public:
    explicit Failure(std::u16string description);

    const std::u16string& description() const { return description_; }

private:
    std::u16string description_;
};

} // namespace tobble
