#pragma once

#include <filesystem>

#include "content/WavFormat.h"

namespace tobble::check {

// The checker reads .wav files with the program's own header reader.
using WavInfo = tobble::WavFormat;
using tobble::describeWav;

// Looks at a file on disk: missing, not a regular file, unreadable, or what its header says.
// Reads at most the first kWavHeadBytes.
WavInfo describeWavFile(const std::filesystem::path& file);

} // namespace tobble::check
