// Any bytes as the end of a book: the trailer, size table, digest and index must be read
// without crashing, reading outside the input or allocating on the strength of bad values.
#include <cstddef>
#include <cstdint>

#include "archive/extent_index.h"
#include "archive/extent_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace leafmark;
  TMemoryStream book(std::vector<std::uint8_t>(data, data + size));
  try {
    const TExtentLayout layout = ReadExtentLayout(book);
    if (layout.HasDigest() && layout.Count > 0) (void)ComputeCoveredDigest(book, layout);
    for (std::int32_t k = 0; k < layout.Count; ++k) {
      TMemoryStream entry;
      book.SetPosition(layout.EntryOffset(k));
      entry.CopyFrom(book, layout.Sizes[static_cast<std::size_t>(k)]);
      if (k != 0) continue;
      const std::string index = entry.Text();
      for (const TIndexLine& line : ParseIndexLines(index)) (void)ParseEntryNumber(line.Value);
      (void)ParseEntryNumber(FindIndexValue(index, "book.swf"));
    }
  } catch (const EExtentError&) {
  } catch (const EStreamError&) {
  }
  return 0;
}
