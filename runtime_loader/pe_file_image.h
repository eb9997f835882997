// The raw file image of a module, copied whole out of a byte stream.
#pragma once

#include <cstdint>
#include <vector>

#include "base/stream.h"

namespace leafmark::pe {

// Every byte of the stream from position 0, whatever its position was. PE file offsets are
// 32-bit, so a stream of 4 GB or more is refused (EPeImageError) before anything is read; in a
// 32-bit process its size would not even fit a buffer's length, and the copy would overrun.
std::vector<std::uint8_t> ReadFileImage(TStream& stream);

}  // namespace leafmark::pe
