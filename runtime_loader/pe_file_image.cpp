// Copying a module's file image out of a stream.
#include "runtime_loader/pe_file_image.h"

#include <string>

#include "runtime_loader/pe_error.h"

namespace leafmark::pe {

std::vector<std::uint8_t> ReadFileImage(TStream& stream) {
  constexpr std::int64_t kLargestFileImage = 0xFFFFFFFF;
  const std::int64_t size = stream.Size();
  if (size < 0 || size > kLargestFileImage) {
    throw EPeImageError("a module file of " + std::to_string(size) +
                        " bytes is larger than a PE image can be");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), size);
  return bytes;
}

}  // namespace leafmark::pe
