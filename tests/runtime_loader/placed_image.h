// Runs a file image through the portable core the way the loader does: parse, lay out into a
// buffer, relocate to a chosen base.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime_loader/pe_headers.h"
#include "runtime_loader/pe_layout.h"
#include "runtime_loader/pe_relocations.h"
#include "tests/runtime_loader/pe_writer.h"

namespace leafmark::test {

struct TPlacedImage {
  pe::TPeHeaders Headers;
  std::vector<std::uint8_t> Image;

  std::uint32_t U32(std::uint32_t rva) const { return ReadU32(Image, rva); }
  std::uint64_t U64(std::uint32_t rva) const {
    return U32(rva) | (static_cast<std::uint64_t>(U32(rva + 4)) << 32);
  }
};

inline TPlacedImage Place(const TBytes& file) {
  TPlacedImage placed;
  placed.Headers = pe::ParsePeHeaders(file);
  placed.Image.resize(placed.Headers.SizeOfImage);
  pe::LayOutImage(file, placed.Headers, placed.Image);
  return placed;
}

inline TPlacedImage PlaceAt(const TBytes& file, std::uint64_t base) {
  TPlacedImage placed = Place(file);
  pe::RelocateImage(placed.Image, placed.Headers, base);
  return placed;
}

}  // namespace leafmark::test
