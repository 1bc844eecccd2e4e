#include "base/Failure.h"

#include "base/TextEncoding.h"

namespace tobble {

Failure::Failure(std::u16string description)
    : std::runtime_error(toUtf8(description)), description_(std::move(description)) {}

Failure::Failure(const std::u16string& description, const std::u16string& file)
    : Failure(description + u" (" + file + u")") {}

std::u16string systemDescription(const std::error_code& error) {
    return decodeUtf8Lenient(error.message());
}

} // namespace tobble
