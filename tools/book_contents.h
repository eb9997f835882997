// What a book file holds, read without trusting it: layout, index lines and entry names.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "archive/extent_layout.h"
#include "base/stream.h"

namespace leafmark::pack {

struct TNamedEntry {
  std::string Name;
  std::int32_t Number = 0;  // as the index line says; 0 when not a number
  std::string Line;         // the whole line, for messages
};

struct TBookContents {
  TExtentLayout Layout;
  std::string IndexText;
  std::vector<TNamedEntry> Lines;  // index lines with "=", in file order
};

// Reads layout and index; raises EExtentError with the reader's message when the trailer is
// broken. The digest is not checked here.
TBookContents ReadBookContents(TStream& book);

// Copies entry number of the book to out.
void CopyEntry(TStream& book, const TExtentLayout& layout, std::int32_t number, TStream& out);

}  // namespace leafmark::pack
