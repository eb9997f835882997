// Export lookup by exact name in a placed image.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

// The RVA of the export called name (exact, case-sensitive), or nothing: no export directory,
// no such name, or a forwarded export (its RVA points at a "module.function" text inside the
// export directory, not at code). Throws EPeImageError for tables outside the image, a name
// whose ordinal index exceeds NumberOfFunctions, or an export whose RVA lies outside the image.
std::optional<std::uint32_t> FindExportRva(std::span<const std::uint8_t> image,
                                           const TPeHeaders& headers, std::string_view name);

// All exported names in table order (for tools and tests).
std::vector<std::string> ExportNames(std::span<const std::uint8_t> image, const TPeHeaders& headers);

}  // namespace leafmark::pe
