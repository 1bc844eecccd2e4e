#pragma once

#include <ostream>

#include "PackCheck.h"

namespace tobble::check {

void printText(const PackReport& report, std::ostream& out);
void printJson(const PackReport& report, std::ostream& out);

} // namespace tobble::check
