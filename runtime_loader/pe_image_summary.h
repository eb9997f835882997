// A whole-image check for tools: everything the loader would do to an image short of running
// it, on a private copy, and what a packer reports about it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "runtime_loader/pe_headers.h"
#include "runtime_loader/pe_version.h"

namespace leafmark::pe {

struct TImageSummary {
  std::uint16_t Machine = 0;
  bool Is64 = false;
  bool IsDll = false;
  bool ExportsDllGetClassObject = false;
  std::optional<TProductVersion> Version;  // from the version resource in 1033, else neutral
  std::size_t ImportedModules = 0;
};

inline constexpr std::uint32_t kDefaultInspectionImageLimit = 512u << 20;

// Parses, lays out into a buffer, relocates to another base, reads the import table, checks
// the x64 function table, looks up "DllGetClassObject" and reads the product version. Throws EPeImageError for anything that
// would make the loader refuse the image, and for SizeOfImage above maxImageSize.
TImageSummary InspectImage(std::span<const std::uint8_t> file,
                           std::uint32_t maxImageSize = kDefaultInspectionImageLimit);

// Reads a module file and inspects it as above; also refuses an image that is neither x86
// (PE32) nor x64 (PE32+). The message of the EPeImageError names the file. A file that cannot
// be read raises EStreamError.
TImageSummary InspectModuleFile(const std::string& fileName);

// The headers of a module file, read from its start only (a player followed by a large book
// need not be read whole). Throws EPeImageError naming the file.
TPeHeaders ReadModuleFileHeaders(const std::string& fileName);

}  // namespace leafmark::pe
