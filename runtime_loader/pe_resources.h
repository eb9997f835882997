// Resource lookup in a placed image: type id, then name or id, then language.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

// A resource name: a 16-bit id or a UTF-16 name (compared exactly).
using TResourceName = std::variant<std::uint16_t, std::u16string>;

struct TResourceData {
  std::uint32_t Rva = 0;
  std::uint32_t Size = 0;
};

// Walks the three directory levels: the first id entry equal to typeId, then the first entry
// matching name (ids against id entries, names against named entries), then the first entry
// whose low 16 bits equal language. The first two levels must lead to subdirectories and the
// third to a data entry; a table shaped otherwise (a loop back to the root, a directory nested
// deeper) ends the look-up with nothing. Throws EPeImageError when a directory, entry, name
// or the data lies outside the image.
std::optional<TResourceData> FindImageResource(std::span<const std::uint8_t> image,
                                               const TPeHeaders& headers, std::uint16_t typeId,
                                               const TResourceName& name, std::uint16_t language);

}  // namespace leafmark::pe
