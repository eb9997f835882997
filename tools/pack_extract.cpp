// leafmark-pack extract: entries written below one directory, never outside it.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "archive/extent_index.h"
#include "tools/book_contents.h"
#include "tools/entry_paths.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtractHelp =
    "usage: leafmark-pack extract BOOK.exe --to DIR [NAME...]\n"
    "\n"
    "Writes the named entries (all when no NAME is given) below DIR, creating folders as\n"
    "needed. A name that would land outside DIR (absolute, with a drive letter, or with a\n"
    "\"..\" part) is reported and skipped. Exit 1 when any name was skipped or not found.\n";

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
  const TArgs parsed(args, {"--to"}, {});
  if (parsed.Help()) {
    std::cout << kExtractHelp;
    return kExitOk;
  }
  if (parsed.Positional().empty()) throw EUsageError("extract needs a BOOK");
  const std::string bookName = parsed.Positional()[0];
  const fs::path target(parsed.Required("--to"));
  const std::vector<std::string> wanted(parsed.Positional().begin() + 1, parsed.Positional().end());

  TFileStream book(bookName, TFileStream::TMode::Read);
  const TBookContents contents = ReadBookContents(book);
  int problems = 0;

  std::vector<const TNamedEntry*> chosen;
  for (const std::string& name : wanted) {
    const auto found = std::find_if(contents.Lines.begin(), contents.Lines.end(),
                                    [&](const TNamedEntry& line) { return SameEntryName(line.Name, name); });
    if (found == contents.Lines.end()) {
      std::cerr << "not found: \"" << name << "\"\n";
      ++problems;
    } else {
      chosen.push_back(&*found);
    }
  }
  if (wanted.empty()) {
    for (const TNamedEntry& line : contents.Lines) chosen.push_back(&line);
  }

  for (const TNamedEntry* entry : chosen) {
    const std::string reason = UnsafeEntryPathReason(entry->Name);
    if (!reason.empty()) {
      std::cerr << "skipped \"" << entry->Name << "\": " << reason << "\n";
      ++problems;
      continue;
    }
    if (entry->Number < 1 || entry->Number >= contents.Layout.Count) {
      std::cerr << "skipped \"" << entry->Name << "\": index line \"" << entry->Line << "\" names no entry\n";
      ++problems;
      continue;
    }
    const fs::path destination = target / fs::path(entry->Name);
    fs::create_directories(destination.parent_path());
    TFileStream out(destination.string(), TFileStream::TMode::Create);
    CopyEntry(book, contents.Layout, entry->Number, out);
    std::cout << destination.string() << "\n";
  }
  return problems == 0 ? kExitOk : kExitFailed;
}

}  // namespace leafmark::pack
