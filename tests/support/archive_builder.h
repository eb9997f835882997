// Builds book files byte by byte for tests, independently of the product's writer, with
// knobs to break any field of the trailer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace leafmark::test {

using TBytes = std::vector<std::uint8_t>;

TBytes BytesOf(const std::string& text);

struct TRawBook {
  TBytes Prefix = BytesOf("MZ player image");  // what precedes the extent section
  std::string Index;                         // entry 0
  std::vector<TBytes> Files;                 // entries 1..N-1
  bool Digest = false;

  // Overrides that make the trailer lie.
  std::optional<std::uint8_t> Flag;
  std::optional<std::int32_t> N;
  std::optional<std::uint32_t> X;
  std::optional<std::uint32_t> Check;
  std::optional<std::vector<std::int32_t>> Sizes;
  std::optional<TBytes> StoredDigest;

  TBytes Build() const;
};

// A book with named files numbered 1.. in the order given, index lines in that order.
TRawBook MakeBook(const std::vector<std::pair<std::string, std::string>>& files, bool digest = false);

}  // namespace leafmark::test
