#pragma once

#include <QString>
#include <string>

namespace tobble {

inline QString toQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

} // namespace tobble
