// leafmark-pack verify: the extent section must describe itself exactly.
#include <iostream>

#include "archive/extent_writer.h"
#include "tools/book_contents.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

namespace {

constexpr const char* kVerifyHelp =
    "usage: leafmark-pack verify BOOK.exe\n"
    "\n"
    "Exit 0 when the archive is sound: the check value, N, the size table and X describe it\n"
    "exactly, every index line names an existing entry, and the digest, if any, matches.\n"
    "Otherwise prints the reason and exits 1.\n";

// The first fault found, or an empty text.
std::string FindFault(TStream& book) {
  const TBookContents contents = ReadBookContents(book);
  const TExtentLayout& layout = contents.Layout;
  if (layout.Count == 0) return "the archive has no index (N is 0)";
  const std::int64_t expected = TExtentWriter::SectionSizeFor(
      std::vector<std::int64_t>(layout.Sizes.begin(), layout.Sizes.end()), layout.HasDigest());
  if (expected != layout.SectionSize) {
    return "the size table does not describe the archive: entries, digest and trailer take " +
           std::to_string(expected) + " bytes, but X is " + std::to_string(layout.SectionSize);
  }
  for (const TNamedEntry& line : contents.Lines) {
    if (line.Number < 1 || line.Number >= layout.Count) {
      return "index line \"" + line.Line + "\" names no entry (entries are 1 to " +
             std::to_string(layout.Count - 1) + ")";
    }
  }
  if (layout.HasDigest()) VerifyExtentDigest(book, layout);
  return {};
}

}  // namespace

int RunVerify(const std::vector<std::string>& args) {
  const TArgs parsed(args, {}, {});
  if (parsed.Help()) {
    std::cout << kVerifyHelp;
    return kExitOk;
  }
  if (parsed.Positional().size() != 1) throw EUsageError("verify needs exactly one BOOK");
  const std::string name = parsed.Positional()[0];
  TFileStream book(name, TFileStream::TMode::Read);
  std::string fault;
  try {
    fault = FindFault(book);
  } catch (const EExtentError& error) {
    fault = error.what();
  }
  if (!fault.empty()) {
    std::cerr << name << ": " << fault << "\n";
    return kExitFailed;
  }
  std::cout << name << ": OK\n";
  return kExitOk;
}

}  // namespace leafmark::pack
