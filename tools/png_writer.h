// Encodes pictures as PNG files: 8-bit RGB, no interlace, rows deflated with zlib.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/rgb_image.h"

namespace leafmark::tools {

std::vector<std::uint8_t> EncodePng(const TRgbImage& image);

}  // namespace leafmark::tools
