#include "tools/png_writer.h"

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace leafmark::tools {

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kColourTypeRgb = 2;
constexpr std::uint8_t kFilterNone = 0;

void U32BigEndian(TBytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Length, type, data, and the CRC of type and data.
void Chunk(TBytes& out, const char (&type)[5], const TBytes& data) {
  U32BigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0, nullptr, 0), out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  U32BigEndian(out, static_cast<std::uint32_t>(crc));
}

// Each row behind its filter byte, deflated.
TBytes CompressedRows(const TRgbImage& image) {
  const std::size_t rowBytes = std::size_t{image.Width()} * 3;
  TBytes raw;
  raw.reserve((rowBytes + 1) * image.Height());
  const std::uint8_t* pixels = image.Pixels().data();
  for (unsigned row = 0; row < image.Height(); ++row) {
    raw.push_back(kFilterNone);
    raw.insert(raw.end(), pixels + row * rowBytes, pixels + (row + 1) * rowBytes);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  TBytes compressed(size);
  if (compress2(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("cannot compress the picture's rows");
  }
  compressed.resize(size);
  return compressed;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const TRgbImage& image) {
  TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  TBytes header;
  U32BigEndian(header, image.Width());
  U32BigEndian(header, image.Height());
  header.insert(header.end(), {8, kColourTypeRgb, 0, 0, 0});  // depth, colour, deflate, filters, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", CompressedRows(image));
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace leafmark::tools
