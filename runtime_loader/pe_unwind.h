// The x64 function table (exception directory) of a PE32+ image, checked before the system's
// unwinder is given it.
#pragma once

#include <cstdint>
#include <span>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

// Checks every RUNTIME_FUNCTION of a PE32+ image's exception directory: BeginAddress not
// above EndAddress, EndAddress within SizeOfImage, and the unwind information it names (header,
// unwind codes, and the handler address or chained entry after them) inside the image. Once
// registered, the unwinder trusts this table for every address from the image's base up to the
// highest EndAddress, also in modules placed after it, so one entry reaching past the image
// would send it reading and jumping outside. A shared or chained entry is followed one step;
// the unwind programs themselves are not proven.
// Returns the number of entries: 0 without a directory or in a PE32 image (which unwinds by
// frames, not tables). Throws EPeImageError naming the entry.
std::uint32_t CheckFunctionTable(std::span<const std::uint8_t> image, const TPeHeaders& headers);

}  // namespace leafmark::pe
