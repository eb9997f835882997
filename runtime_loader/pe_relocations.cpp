// The base relocation blocks and their fix-ups.
#include "runtime_loader/pe_relocations.h"

#include "base/little_endian.h"
#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

void StoreU64(std::uint8_t* p, std::uint64_t v) {
  StoreU32(p, static_cast<std::uint32_t>(v));
  StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace

void RelocateImage(std::span<std::uint8_t> image, const TPeHeaders& headers,
                   std::uint64_t newBase) {
  const std::uint64_t delta = newBase - headers.ImageBase;
  const TDataDirectory dir = headers.Directories[kDirBaseReloc];
  if (!dir.Present()) {
    if (delta != 0 && (headers.Characteristics & kFileRelocsStripped) != 0) {
      throw EPeImageError("the image has its relocations stripped and cannot run away from "
                          "ImageBase " + Hex(headers.ImageBase));
    }
    return;
  }
  const TByteReader reader = ImageReader(image, headers);
  const std::uint64_t end = std::uint64_t{dir.VirtualAddress} + dir.Size;
  std::uint64_t block = dir.VirtualAddress;
  while (block < end) {
    const std::uint32_t page = reader.U32(block, "relocation block PageRVA");
    const std::uint32_t blockSize = reader.U32(block + 4, "relocation block SizeOfBlock");
    if (blockSize < 8) {
      throw EPeImageError("relocation block at " + Hex(block) + " has SizeOfBlock " +
                          std::to_string(blockSize) + ", less than its own header");
    }
    const std::uint64_t entries = (blockSize - 8) / 2;
    for (std::uint64_t i = 0; i < entries; ++i) {
      const std::uint16_t entry = reader.U16(block + 8 + i * 2, "relocation entry");
      const unsigned type = entry >> 12;
      if (type == kRelBasedAbsolute) continue;
      const std::uint64_t target = std::uint64_t{page} + (entry & 0x0FFF);
      if (headers.Is64 && type == kRelBasedDir64) {
        reader.Require(target, 8, "relocation target");
        std::uint8_t* p = image.data() + target;
        StoreU64(p, LoadU64(p) + delta);
      } else {
        reader.Require(target, 4, "relocation target");
        std::uint8_t* p = image.data() + target;
        StoreU32(p, LoadU32(p) + static_cast<std::uint32_t>(delta));
      }
    }
    block += 8 + entries * 2;
  }
}

}  // namespace leafmark::pe
