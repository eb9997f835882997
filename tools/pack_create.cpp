// leafmark-pack create: the player unchanged, then the book's files as an extent section.
#include <cstdio>
#include <iostream>

#include "archive/extent_index.h"
#include "archive/extent_layout.h"
#include "archive/extent_writer.h"
#include "tools/book_files.h"
#include "tools/file_replace.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"
#include "tools/progress.h"

namespace leafmark::pack {

namespace {

constexpr const char* kRuntimeEntryName = "flash.ocx";

constexpr const char* kCreateHelp =
    "usage: leafmark-pack create --player PLAYER.exe --out BOOK.exe [--digest] [--runtime FILE] DIR\n"
    "\n"
    "Writes BOOK.exe: PLAYER.exe unchanged, followed by every file below DIR as an archive the\n"
    "player reads from its own file. Names are stored relative to DIR with \"/\" separators.\n"
    "\n"
    "  --player FILE   the player executable (an archive it already carries is left out)\n"
    "  --out FILE      the book to write; written to a temporary file first and renamed\n"
    "  --digest        store an MD5 digest of the content; the player refuses a book that\n"
    "                  does not match it (costs one full read at every start)\n"
    "  --runtime FILE  store FILE as the entry \"flash.ocx\", the runtime the book plays with\n";

// Bytes of the player that belong to it: an archive it already ends in is not copied.
std::int64_t PlayerImageBytes(TFileStream& player, const std::string& name) {
  try {
    const TExtentLayout existing = ReadExtentLayout(player);
    std::cerr << "note: " << name << " already ends in an archive of " << existing.SectionSize
              << " bytes; it is left out\n";
    return existing.DataStart;
  } catch (const EExtentError&) {
    return player.Size();
  }
}

}  // namespace

int RunCreate(const std::vector<std::string>& args) {
  const TArgs parsed(args, {"--player", "--out", "--runtime"}, {"--digest"});
  if (parsed.Help()) {
    std::cout << kCreateHelp;
    return kExitOk;
  }
  const std::string playerName = parsed.Required("--player");
  const std::string outName = parsed.Required("--out");
  if (parsed.Positional().size() != 1) throw EUsageError("create needs exactly one DIR");
  const std::string dir = parsed.Positional()[0];
  const bool digest = parsed.Flag("--digest");
  const std::string temporary = TemporaryNameBeside(outName);

  std::vector<TBookFile> files = ScanBookDirectory(dir, {outName, temporary});
  if (const auto runtime = parsed.Value("--runtime")) {
    CheckRuntimeImage(*runtime, playerName);
    TFileStream runtimeFile(*runtime, TFileStream::TMode::Read);
    files.push_back({kRuntimeEntryName, *runtime, runtimeFile.Size()});
  }
  SortAndCheckDuplicates(files);

  std::vector<std::string> names;
  for (const TBookFile& file : files) names.push_back(file.Name);
  const std::string index = BuildIndexText(names);

  TFileStream player(playerName, TFileStream::TMode::Read);
  const std::int64_t playerBytes = PlayerImageBytes(player, playerName);
  std::vector<std::int64_t> sizes{static_cast<std::int64_t>(index.size())};
  for (const TBookFile& file : files) sizes.push_back(file.Size);
  const std::int64_t total = playerBytes + TExtentWriter::SectionSizeFor(sizes, digest);
  if (total > kExtentMaxFileSize) {
    throw std::runtime_error("\"" + outName + "\" would be " + std::to_string(total) +
                             " bytes; a book must stay below 2 GiB (2147483648 bytes)");
  }

  TProgress progress("packing " + outName, total);
  try {
    {
      TFileStream out(temporary, TFileStream::TMode::Create);
      player.SetPosition(0);
      out.CopyFrom(player, playerBytes);
      progress.Advance(playerBytes);
      TExtentWriter writer(out, digest);
      writer.AddEntry(index.data(), static_cast<std::int64_t>(index.size()));
      for (const TBookFile& file : files) {
        TFileStream source(file.Source, TFileStream::TMode::Read);
        if (source.Size() != file.Size) throw std::runtime_error("\"" + file.Source + "\" changed while packing");
        writer.AddEntry(source, file.Size);
        progress.Advance(file.Size);
      }
      writer.Finish();
      out.Flush();
    }
    ReplaceFileWith(temporary, outName);
  } catch (...) {
    RemoveFileQuietly(temporary);
    throw;
  }
  progress.Done();
  std::cout << "wrote " << outName << ": " << files.size() << " files, " << total << " bytes"
            << (digest ? ", with digest" : "") << "\n";
  return kExitOk;
}

}  // namespace leafmark::pack
