// Reading a book's index for the packer's list, extract and verify commands.
#include "tools/book_contents.h"

#include "archive/extent_index.h"

namespace leafmark::pack {

TBookContents ReadBookContents(TStream& book) {
  TBookContents contents;
  contents.Layout = ReadExtentLayout(book);
  if (contents.Layout.Count == 0) return contents;
  TMemoryStream index;
  CopyEntry(book, contents.Layout, 0, index);
  contents.IndexText = index.Text();
  for (const TIndexLine& line : ParseIndexLines(contents.IndexText)) {
    contents.Lines.push_back({std::string(line.Name), ParseEntryNumber(line.Value),
                              std::string(line.Name) + "=" + std::string(line.Value)});
  }
  return contents;
}

void CopyEntry(TStream& book, const TExtentLayout& layout, std::int32_t number, TStream& out) {
  if (number < 0 || number >= layout.Count) throw EExtentError(kErrorIndexMessage);
  book.SetPosition(layout.EntryOffset(number));
  out.CopyFrom(book, layout.Sizes[static_cast<std::size_t>(number)]);
}

}  // namespace leafmark::pack
