// Stateless lookups: each call builds its own reader, so they may run on any thread at once.
#include "archive/entry_lookup.h"

#include "archive/exe_ext_reader.h"
#include "archive/extent_index.h"

namespace leafmark {

namespace {

// Entry number of name in reader's index. A number that names no stored entry (0, negative,
// or past the last entry) counts as absent, like a name without a line.
std::int32_t LookUp(const TExeExtReader& reader, const std::string& name) {
  const std::string index = reader.ReadEntryText(0);
  const std::int32_t number = ParseEntryNumber(FindIndexValue(index, name));
  return number > 0 && number < reader.Count ? number : 0;
}

}  // namespace

std::int32_t GetEntryNumber(const std::string& name, const std::string& archiveFile) {
  try {
    return LookUp(TExeExtReader(archiveFile), name);
  } catch (...) {
    return 0;
  }
}

void ReadEntryToStream(const std::string& name, TStream& stream, const std::string& archiveFile) {
  try {
    const TExeExtReader reader(archiveFile);
    const std::int32_t number = LookUp(reader, name);
    if (number != 0) reader.ReadEntry(number, stream);
  } catch (...) {
  }
}

std::unique_ptr<TMemoryStream> ReadEntryToMemory(const std::string& name, const std::string& archiveFile) {
  try {
    const TExeExtReader reader(archiveFile);
    const std::int32_t number = LookUp(reader, name);
    if (number == 0) return nullptr;
    auto memory = std::make_unique<TMemoryStream>();
    reader.ReadEntry(number, *memory);
    return memory;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace leafmark
