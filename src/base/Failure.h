#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace tobble {

// A failure of a platform operation or of reading content, with a description a person can read.
// Commands decide what to do with it: show it, or end silently.
class Failure : public std::runtime_error {
public:
    explicit Failure(std::u16string description);
    // The description followed by the file it concerns: "Permission denied (/home/me/x)".
    Failure(const std::u16string& description, const std::u16string& file);

    const std::u16string& description() const { return description_; }

private:
    std::u16string description_;
};

// The system's own words for an error ("Permission denied").
std::u16string systemDescription(const std::error_code& error);

} // namespace tobble
