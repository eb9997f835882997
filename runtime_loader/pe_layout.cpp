// Copying headers and sections from the file to their virtual addresses.
#include "runtime_loader/pe_layout.h"

#include <algorithm>
#include <cstring>

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {

void LayOutImage(std::span<const std::uint8_t> file, const TPeHeaders& headers,
                 std::span<std::uint8_t> image) {
  if (image.size() < headers.SizeOfImage) {
    throw EPeImageError("image memory of " + std::to_string(image.size()) +
                        " bytes is smaller than SizeOfImage " + Hex(headers.SizeOfImage));
  }
  const TByteReader raw(file, "file");
  std::memset(image.data(), 0, headers.SizeOfImage);
  const auto head = raw.Bytes(0, headers.SizeOfHeaders, "SizeOfHeaders");
  std::memcpy(image.data(), head.data(), head.size());

  for (std::size_t i = 0; i < headers.Sections.size(); ++i) {
    const TSectionHeader& s = headers.Sections[i];
    // ParsePeHeaders has checked that [VirtualAddress, VirtualAddress + span) fits the image.
    const std::uint32_t span = s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData;
    std::uint8_t* target = image.data() + s.VirtualAddress;
    std::memset(target, 0, span);
    const std::uint32_t count = std::min(span, s.SizeOfRawData);
    if (count == 0) continue;
    const auto data = raw.Bytes(s.PointerToRawData, count,
                                "raw data of section " + std::to_string(i + 1) + " (" + s.Name + ")");
    std::memcpy(target, data.data(), count);
  }
}

}  // namespace leafmark::pe
