// The import descriptors of a placed image, and the slots their addresses go into.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime_loader/pe_headers.h"

namespace leafmark::pe {

struct TImportThunk {
  bool ByOrdinal = false;
  std::uint16_t Ordinal = 0;  // when ByOrdinal: the entry's low 16 bits
  std::string Name;           // when by name: from the hint/name pair
  std::uint32_t SlotRva = 0;  // the import address table entry (in FirstThunk)
};

struct TImportModule {
  std::string Name;  // as stored in the image
  std::vector<TImportThunk> Thunks;
};

// Walks the import descriptors until one whose Name is 0. Names come from OriginalFirstThunk
// when the descriptor's TimeDateStamp is not 0 (a bound image, whose FirstThunk holds stale
// addresses), else from FirstThunk; a bound descriptor without OriginalFirstThunk also reads
// FirstThunk. Each array ends at a zero entry. Thunks are 32-bit in PE32 (ordinal bit 31) and
// 64-bit in PE32+ (ordinal bit 63). Everything is read before anything is bound, so a broken
// table fails (EPeImageError) before a library is loaded; so do tables naming more functions,
// or more bytes of names, than the image holds.
std::vector<TImportModule> ReadImports(std::span<const std::uint8_t> image, const TPeHeaders& headers);

// Writes address into the import address table entry at slotRva (32 or 64 bits).
void WriteImportSlot(std::span<std::uint8_t> image, const TPeHeaders& headers,
                     std::uint32_t slotRva, std::uint64_t address);

// The module name without any directory part ("c:\x\kernel32.dll" -> "kernel32.dll").
std::string ModuleFileName(const std::string& moduleName);

}  // namespace leafmark::pe
