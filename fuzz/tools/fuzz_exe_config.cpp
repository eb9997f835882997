// Any bytes as a book's settings file: decoding and parsing must end in values or EXmlError,
// without reading outside the input or recursing without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/exe_config_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)leafmark::pack::ReadExeConfig(std::vector<std::uint8_t>(data, data + size));
  } catch (const leafmark::pack::EXmlError&) {
  }
  return 0;
}
