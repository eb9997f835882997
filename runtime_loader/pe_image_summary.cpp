// The loader's steps on a private copy of an image, for tools that judge a file.
#include "runtime_loader/pe_image_summary.h"

#include <algorithm>
#include <vector>

#include "base/stream.h"

#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_exports.h"
#include "runtime_loader/pe_file_image.h"
#include "runtime_loader/pe_imports.h"
#include "runtime_loader/pe_layout.h"
#include "runtime_loader/pe_relocations.h"
#include "runtime_loader/pe_resources.h"
#include "runtime_loader/pe_unwind.h"

namespace leafmark::pe {

TImageSummary InspectImage(std::span<const std::uint8_t> file, std::uint32_t maxImageSize) {
  const TPeHeaders headers = ParsePeHeaders(file);
  if (headers.SizeOfImage > maxImageSize) {
    throw EPeImageError("SizeOfImage " + Hex(headers.SizeOfImage) + " exceeds the limit of " +
                        Hex(maxImageSize));
  }
  std::vector<std::uint8_t> image(headers.SizeOfImage);
  LayOutImage(file, headers, image);
  // Somewhere else than ImageBase, so that every fix-up is checked.
  RelocateImage(image, headers, headers.ImageBase + 0x01000000);

  TImageSummary summary;
  summary.Machine = headers.Machine;
  summary.Is64 = headers.Is64;
  summary.IsDll = headers.IsDll();
  summary.ImportedModules = ReadImports(image, headers).size();
  CheckFunctionTable(image, headers);
  summary.ExportsDllGetClassObject = FindExportRva(image, headers, "DllGetClassObject").has_value();
  for (const std::uint16_t language : {std::uint16_t{1033}, std::uint16_t{0}}) {
    const auto found = FindImageResource(image, headers, kResourceTypeVersion, std::uint16_t{1}, language);
    if (!found) continue;
    summary.Version = ReadProductVersion(std::span(image).subspan(found->Rva, found->Size));
    break;
  }
  return summary;
}

TImageSummary InspectModuleFile(const std::string& fileName) {
  TFileStream file(fileName, TFileStream::TMode::Read);
  try {
    const TImageSummary summary = InspectImage(ReadFileImage(file));
    const bool x86 = summary.Machine == kMachineI386 && !summary.Is64;
    const bool x64 = summary.Machine == kMachineAmd64 && summary.Is64;
    if (!x86 && !x64) {
      throw EPeImageError(MachineName(summary.Machine) + " with a " +
                          (summary.Is64 ? "PE32+" : "PE32") +
                          " optional header is neither x86 nor x64");
    }
    return summary;
  } catch (const EPeImageError& error) {
    throw EPeImageError("\"" + fileName + "\" is not a loadable module image: " + error.what());
  }
}

TPeHeaders ReadModuleFileHeaders(const std::string& fileName) {
  // Headers lie within SizeOfHeaders, a few kilobytes in practice; a megabyte is ample.
  constexpr std::int64_t kHeaderReadLimit = 1 << 20;
  std::vector<std::uint8_t> bytes;
  {
    TFileStream file(fileName, TFileStream::TMode::Read);
    bytes.resize(static_cast<std::size_t>(std::min(file.Size(), kHeaderReadLimit)));
    file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  try {
    return ParsePeHeaders(bytes);
  } catch (const EPeImageError& error) {
    throw EPeImageError("\"" + fileName + "\" is not a module image: " + error.what());
  }
}

}  // namespace leafmark::pe
