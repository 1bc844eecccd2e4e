#pragma once

#include <string>
#include <string_view>

namespace tobble {

// What the program asks the system to know: the clock, where it runs, how paths and old text are
// written, what the user may change. Asks only; changes nothing.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;

    // Seconds since midnight, with a fraction.
    virtual double timeOfDay() = 0;

    // The directory holding the character the program shows, as the system spells it.
    virtual std::u16string programDirectory() = 0;

    // The separator that ends a directory in a path on this system.
    virtual char16_t directorySeparator() const = 0;

    // Decodes 8-bit text in the system's ANSI code page.
    virtual std::u16string decodeAnsi(std::string_view bytes) = 0;

    // Whether this user may change the existing file, or add files to the existing folder, at
    // path.
    virtual bool mayWrite(const std::u16string& path) = 0;
};

} // namespace tobble
