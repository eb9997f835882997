// Base relocation: moves a placed image from its ImageBase to the address it really got.
#pragma once

#include <cstdint>
#include <span>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

// Walks the base relocation blocks and adds newBase − ImageBase to every fix-up. Type 0
// (ABSOLUTE) entries are padding and skipped. In a PE32+ image a DIR64 entry adds the full
// 64-bit delta to a 64-bit value; every other non-zero type adds the low 32 bits of the delta
// to a 32-bit value (the HIGHLOW kind), which is what a PE32 image holds. The blocks are
// walked and checked even when the delta is 0. Throws EPeImageError for a block or fix-up
// outside the image, a block shorter than its header, or an image that must move but had
// its relocations stripped.
void RelocateImage(std::span<std::uint8_t> image, const TPeHeaders& headers, std::uint64_t newBase);

}  // namespace leafmark::pe
