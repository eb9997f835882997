// The sample book's page pictures: a coloured page with a frame and its number in large digits.
#pragma once

#include <cstdint>

#include "tools/rgb_image.h"

namespace leafmark::tools {

inline constexpr unsigned kPageWidth = 800, kPageHeight = 600;

// The background of page (from 1): a light colour of its own, far from its neighbours'.
std::uint32_t PageBackground(unsigned page);
// The frame and the digits: a dark shade of the page's colour.
std::uint32_t PageInk(unsigned page);

// kPageWidth x kPageHeight: the background, a frame, and the number centred.
TRgbImage PagePicture(unsigned page);

}  // namespace leafmark::tools
