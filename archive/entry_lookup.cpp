// Look-ups by name. Each opens the book itself, so they may run on any thread at once; what
// checking the book taught is shared through the catalog.
#include "archive/entry_lookup.h"

#include "archive/book_catalog.h"

namespace leafmark {

std::int32_t GetEntryNumber(const std::string& name, const std::string& archiveFile) {
  try {
    const std::optional<TOpenedBook> book = OpenValidatedBook(archiveFile);
    return book ? book->Book->Find(name) : 0;
  } catch (...) {
    return 0;
  }
}

void ReadEntryToStream(const std::string& name, TStream& stream, const std::string& archiveFile) {
  try {
    std::optional<TOpenedBook> book = OpenValidatedBook(archiveFile);
    if (!book) return;
    const std::int32_t number = book->Book->Find(name);
    if (number != 0) book->CopyEntry(number, stream);
  } catch (...) {
  }
}

std::unique_ptr<TMemoryStream> ReadEntryToMemory(const std::string& name, const std::string& archiveFile) {
  try {
    std::optional<TOpenedBook> book = OpenValidatedBook(archiveFile);
    if (!book) return nullptr;
    const std::int32_t number = book->Book->Find(name);
    if (number == 0) return nullptr;
    auto memory = std::make_unique<TMemoryStream>();
    book->CopyEntry(number, *memory);
    return memory;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace leafmark
