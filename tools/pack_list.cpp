// leafmark-pack list: one line per entry, then entries, total bytes and the digest's state.
#include <cstdio>
#include <iostream>
#include <map>

#include "tools/book_contents.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

namespace {
constexpr const char* kListHelp =
    "usage: leafmark-pack list BOOK.exe\n"
    "\n"
    "Prints one line per entry (number, size in bytes, name; entry 0 is the index), then a\n"
    "summary: entries, total bytes, digest: none, verified or MISMATCH. Exit 1 when the book\n"
    "has no readable archive or its digest does not match.\n";
}

int RunList(const std::vector<std::string>& args) {
  const TArgs parsed(args, {}, {});
  if (parsed.Help()) {
    std::cout << kListHelp;
    return kExitOk;
  }
  if (parsed.Positional().size() != 1) throw EUsageError("list needs exactly one BOOK");
  TFileStream book(parsed.Positional()[0], TFileStream::TMode::Read);
  const TBookContents contents = ReadBookContents(book);
  const TExtentLayout& layout = contents.Layout;

  std::multimap<std::int32_t, std::string> names;
  for (const TNamedEntry& line : contents.Lines) names.emplace(line.Number, line.Name);
  for (std::int32_t k = 0; k < layout.Count; ++k) {
    const auto [first, last] = names.equal_range(k);
    std::string label = k == 0 ? "(index)" : first == last ? "(no name)" : "";
    for (auto it = first; it != last && k != 0; ++it) label += (label.empty() ? "" : ", ") + it->second;
    std::printf("%6d %12d  %s\n", k, layout.Sizes[static_cast<std::size_t>(k)], label.c_str());
  }
  const char* digest = "none";
  bool matches = true;
  if (layout.HasDigest() && layout.Count > 0) {
    matches = ComputeCoveredDigest(book, layout) == layout.StoredDigest;
    digest = matches ? "verified" : "MISMATCH";
  }
  std::printf("entries: %d, total bytes: %lld, digest: %s\n", layout.Count,
              static_cast<long long>(layout.EntryBytes()), digest);
  return matches ? kExitOk : kExitFailed;
}

}  // namespace leafmark::pack
