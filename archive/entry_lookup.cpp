// Look-ups by name. Each opens the book itself, so they may run on any thread at once; what
// checking the book taught is shared through the catalog.
#include "archive/entry_lookup.h"

#include "archive/book_catalog.h"
#include "archive/exe_ext_reader.h"

namespace leafmark {

std::int32_t GetEntryNumber(const std::string& name, const std::string& archiveFile) {
  try {
    const std::optional<TOpenedEntry> entry = OpenBookEntry(name, archiveFile);
    return entry ? entry->Number : 0;
  } catch (...) {
    return 0;
  }
}

void ReadEntryToStream(const std::string& name, TStream& stream, const std::string& archiveFile) {
  try {
    if (const std::optional<TOpenedEntry> entry = OpenBookEntry(name, archiveFile)) {
      CopyFileRange(*entry->File, entry->Offset, entry->Size, stream);
    }
  } catch (...) {
  }
}

std::unique_ptr<TMemoryStream> ReadEntryToMemory(const std::string& name, const std::string& archiveFile) {
  try {
    const std::optional<TOpenedEntry> entry = OpenBookEntry(name, archiveFile);
    if (!entry) return nullptr;
    auto memory = std::make_unique<TMemoryStream>();
    CopyFileRange(*entry->File, entry->Offset, entry->Size, *memory);
    return memory;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace leafmark
