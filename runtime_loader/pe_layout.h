// Places a file image's headers and sections into the memory the module will run in.
#pragma once

#include <cstdint>
#include <span>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

// image must hold at least SizeOfImage bytes; it is cleared first. The first SizeOfHeaders
// bytes of the file go to its start; each section gets its VirtualSize bytes zeroed at
// VirtualAddress and min(VirtualSize, SizeOfRawData) bytes copied from PointerToRawData.
// A section whose VirtualSize is 0 spans SizeOfRawData bytes, as the system loader does.
// Throws EPeImageError when anything to copy lies outside the file.
void LayOutImage(std::span<const std::uint8_t> file, const TPeHeaders& headers,
                 std::span<std::uint8_t> image);

}  // namespace leafmark::pe
