// Feeds arbitrary bytes through the module image core: headers, layout, relocation, imports,
// exports, resources and version. Only EPeImageError may come out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_exports.h"
#include "runtime_loader/pe_image_summary.h"
#include "runtime_loader/pe_layout.h"
#include "runtime_loader/pe_resources.h"

namespace {

// Larger images only cost time per input; the logic is the same.
constexpr std::uint32_t kImageLimit = 1u << 20;

void ExerciseNamedLookUps(std::span<const std::uint8_t> file) {
  const auto headers = leafmark::pe::ParsePeHeaders(file);
  if (headers.SizeOfImage > kImageLimit) return;
  std::vector<std::uint8_t> image(headers.SizeOfImage);
  leafmark::pe::LayOutImage(file, headers, image);
  for (const auto& name : leafmark::pe::ExportNames(image, headers)) {
    leafmark::pe::FindExportRva(image, headers, name);
    break;  // one look-up per input keeps the run linear
  }
  leafmark::pe::FindImageResource(image, headers, 12, std::u16string(u"ARROW"), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  try {
    leafmark::pe::InspectImage(file, kImageLimit);
  } catch (const leafmark::pe::EPeImageError&) {
  }
  try {
    ExerciseNamedLookUps(file);
  } catch (const leafmark::pe::EPeImageError&) {
  }
  return 0;
}
