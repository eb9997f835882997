// The export directory: names, ordinal indices and function RVAs, each read checked.
#include "runtime_loader/pe_exports.h"

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

struct TExportDirectory {
  std::uint32_t NumberOfFunctions = 0;
  std::uint32_t NumberOfNames = 0;
  std::uint32_t AddressOfFunctions = 0;
  std::uint32_t AddressOfNames = 0;
  std::uint32_t AddressOfNameOrdinals = 0;
};

std::optional<TExportDirectory> ReadExportDirectory(const TByteReader& image,
                                                    const TPeHeaders& headers) {
  const std::uint32_t at = headers.Directories[kDirExport].VirtualAddress;
  if (at == 0) return std::nullopt;
  TExportDirectory d;
  d.NumberOfFunctions = image.U32(at + std::uint64_t{20}, "export NumberOfFunctions");
  d.NumberOfNames = image.U32(at + std::uint64_t{24}, "export NumberOfNames");
  d.AddressOfFunctions = image.U32(at + std::uint64_t{28}, "export AddressOfFunctions");
  d.AddressOfNames = image.U32(at + std::uint64_t{32}, "export AddressOfNames");
  d.AddressOfNameOrdinals = image.U32(at + std::uint64_t{36}, "export AddressOfNameOrdinals");
  return d;
}

std::uint32_t NameRva(const TByteReader& image, const TExportDirectory& d, std::uint64_t i) {
  return image.U32(d.AddressOfNames + i * 4, "export AddressOfNames entry");
}

}  // namespace

std::optional<std::uint32_t> FindExportRva(std::span<const std::uint8_t> bytes,
                                           const TPeHeaders& headers, std::string_view name) {
  const TByteReader image = ImageReader(bytes, headers);
  const auto d = ReadExportDirectory(image, headers);
  if (!d) return std::nullopt;
  for (std::uint64_t i = 0; i < d->NumberOfNames; ++i) {
    if (!image.CStringEquals(NameRva(image, *d, i), name, "exported name")) continue;
    const std::uint16_t index =
        image.U16(d->AddressOfNameOrdinals + i * 2, "export AddressOfNameOrdinals entry");
    if (index >= d->NumberOfFunctions) {
      throw EPeImageError("export \"" + std::string(name) + "\" has ordinal index " +
                          std::to_string(index) + " beyond NumberOfFunctions " +
                          std::to_string(d->NumberOfFunctions));
    }
    const std::uint32_t rva =
        image.U32(d->AddressOfFunctions + std::uint64_t{index} * 4, "export AddressOfFunctions entry");
    const TDataDirectory dir = headers.Directories[kDirExport];
    const bool forwarded = rva >= dir.VirtualAddress &&
                           rva < std::uint64_t{dir.VirtualAddress} + dir.Size;
    if (rva == 0 || forwarded) return std::nullopt;
    // The address is handed out to be called: it must lie in the placed image.
    if (!image.Contains(rva, 1)) {
      throw EPeImageError("export \"" + std::string(name) + "\" at " + Hex(rva) +
                          " lies outside the image of " + std::to_string(image.Size()) + " bytes");
    }
    return rva;
  }
  return std::nullopt;
}

std::vector<std::string> ExportNames(std::span<const std::uint8_t> bytes, const TPeHeaders& headers) {
  const TByteReader image = ImageReader(bytes, headers);
  std::vector<std::string> names;
  const auto d = ReadExportDirectory(image, headers);
  if (!d) return names;
  std::uint64_t total = 0;
  for (std::uint64_t i = 0; i < d->NumberOfNames; ++i) {
    names.push_back(image.CString(NameRva(image, *d, i), "exported name"));
    // Distinct names cannot add up to more than the image; shared ones would blow up memory.
    total += names.back().size() + 1;
    if (total > headers.SizeOfImage) throw EPeImageError("exported names overlap one another");
  }
  return names;
}

}  // namespace leafmark::pe
