// VS_FIXEDFILEINFO inside a version resource, and the packed product version.
#include "runtime_loader/pe_version.h"

#include "base/little_endian.h"

namespace leafmark::pe {
namespace {

constexpr std::size_t kFixedInfoSearchStart = 38;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

}  // namespace

std::uint32_t TProductVersion::Packed() const {
  std::uint32_t v = MS >> 16;
  v = v * 256 + (MS & 0xFFFF);
  v = v * 256 + (LS >> 16);
  v = v * 256 + (LS & 0xFFFF);
  return v;
}

std::string TProductVersion::Dotted() const {
  return std::to_string(MS >> 16) + "." + std::to_string(MS & 0xFFFF) + "." +
         std::to_string(LS >> 16) + "." + std::to_string(LS & 0xFFFF);
}

std::optional<TProductVersion> ReadProductVersion(std::span<const std::uint8_t> block) {
  std::size_t at = kFixedInfoSearchStart;
  while (at + 2 <= block.size() && LoadU16(block.data() + at) == 0) at += 2;
  // dwSignature .. dwProductVersionLS: 24 bytes.
  if (at + 24 > block.size()) return std::nullopt;
  if (LoadU32(block.data() + at) != kFixedFileInfoSignature) return std::nullopt;
  return TProductVersion{LoadU32(block.data() + at + 16), LoadU32(block.data() + at + 20)};
}

}  // namespace leafmark::pe
