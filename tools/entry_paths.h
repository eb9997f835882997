// Entry names as paths below a target folder: which ones would land outside it.
#pragma once

#include <string>

namespace leafmark::pack {

// Why name may not be written below a target folder (absolute, with a drive letter, with a
// ".." part or a ":" in a part); empty when it may. "/" and "\" both separate parts.
std::string UnsafeEntryPathReason(const std::string& name);

}  // namespace leafmark::pack
