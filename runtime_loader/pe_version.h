// The product version held in a version resource (VS_VERSIONINFO / VS_FIXEDFILEINFO).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace leafmark::pe {

struct TProductVersion {
  std::uint32_t MS = 0;  // dwProductVersionMS
  std::uint32_t LS = 0;  // dwProductVersionLS

  // One byte per part, most significant first, in 32-bit arithmetic: a part above 255 spills
  // into the next higher byte. 10.0.45.2 gives 0x0A002D02.
  std::uint32_t Packed() const;
  // "10.0.45.2".
  std::string Dotted() const;
};

// Reads VS_FIXEDFILEINFO: it starts at the first non-zero 16-bit word from byte 38 of the
// block (after the header words and the key "VS_VERSION_INFO"), and must carry its signature
// 0xFEEF04BD. Nothing when the block is too short or has no fixed part.
std::optional<TProductVersion> ReadProductVersion(std::span<const std::uint8_t> versionResource);

}  // namespace leafmark::pe
