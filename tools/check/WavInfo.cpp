#include "WavInfo.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace tobble::check {

WavInfo describeWavFile(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    WavInfo info;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        info.problem = "missing";
        return info;
    }
    if (status.type() != fs::file_type::regular) {
        info.problem = status.type() == fs::file_type::directory ? "a directory, not a file"
                                                                 : "not a regular file";
        return info;
    }
    const std::uintmax_t size = fs::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in) {
        info.problem = "cannot be read";
        return info;
    }
    std::string head(static_cast<std::size_t>(std::min<std::uintmax_t>(size, kWavHeadBytes)), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return describeWav(head, size);
}

} // namespace tobble::check
