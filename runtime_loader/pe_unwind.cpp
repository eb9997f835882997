// RUNTIME_FUNCTION entries and the UNWIND_INFO headers they point at.
#include "runtime_loader/pe_unwind.h"

#include <string>

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

constexpr std::uint32_t kRuntimeFunctionSize = 12;
// UNWIND_INFO flags (top five bits of its first byte).
constexpr std::uint8_t kUnwindHandlers = 0x1 | 0x2;  // UNW_FLAG_EHANDLER | UNW_FLAG_UHANDLER
constexpr std::uint8_t kUnwindChainInfo = 0x4;
// UnwindData with bit 0 set names another RUNTIME_FUNCTION whose unwind data is shared.
constexpr std::uint32_t kIndirectEntry = 0x1;

// Checks the entry at `at` and the unwind information it names; entries it leads to (shared or
// chained) are followed for `hops` more steps, then only their own range and header are checked.
void CheckEntry(const TByteReader& image, std::uint64_t at, const std::string& what, int hops) {
  const std::uint32_t begin = image.U32(at, what + " BeginAddress");
  const std::uint32_t end = image.U32(at + 4, what + " EndAddress");
  if (begin > end || end > image.Size()) {
    throw EPeImageError(what + " covers " + Hex(begin) + ".." + Hex(end) +
                        ", which is not a range inside the image of " +
                        std::to_string(image.Size()) + " bytes");
  }
  const std::uint32_t unwind = image.U32(at + 8, what + " UnwindData");
  if (hops == 0) {
    image.Require(unwind & ~kIndirectEntry, 4, what + " unwind information");
    return;
  }
  if ((unwind & kIndirectEntry) != 0) {
    CheckEntry(image, unwind & ~kIndirectEntry, what + " shared entry", hops - 1);
    return;
  }
  const auto header = image.Bytes(unwind, 4, what + " unwind information");
  const auto flags = static_cast<std::uint8_t>(header[0] >> 3);
  const unsigned codes = header[2];  // CountOfCodes
  // The codes are 16-bit slots, padded to an even number.
  const std::uint64_t after = std::uint64_t{unwind} + 4 + 2 * ((codes + 1) & ~1u);
  image.Require(unwind, after - unwind, what + " unwind codes");
  if ((flags & kUnwindChainInfo) != 0) {
    CheckEntry(image, after, what + " chained entry", hops - 1);
  } else if ((flags & kUnwindHandlers) != 0) {
    const std::uint32_t handler = image.U32(after, what + " exception handler");
    if (!image.Contains(handler, 1)) {
      throw EPeImageError(what + " exception handler " + Hex(handler) + " lies outside the image");
    }
  }
}

}  // namespace

std::uint32_t CheckFunctionTable(std::span<const std::uint8_t> bytes, const TPeHeaders& headers) {
  const TDataDirectory dir = headers.Directories[kDirException];
  if (!headers.Is64 || !dir.Present()) return 0;
  const TByteReader image = ImageReader(bytes, headers);
  image.Require(dir.VirtualAddress, dir.Size, "exception directory");
  const std::uint32_t count = dir.Size / kRuntimeFunctionSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = dir.VirtualAddress + std::uint64_t{i} * kRuntimeFunctionSize;
    CheckEntry(image, at, "exception directory entry " + std::to_string(i), 1);
  }
  return count;
}

}  // namespace leafmark::pe
