// leafmark-pack export-web: a book as a folder a web server serves and a browser plays with
// Ruffle. The book's files keep their names, so the movie's relative requests find them.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <iostream>
#include <memory>

#include "archive/extent_index.h"
#include "tools/book_contents.h"
#include "tools/book_files.h"
#include "tools/entry_paths.h"
#include "tools/exe_config_reader.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"
#include "tools/progress.h"
#include "tools/ruffle_files.h"
#include "tools/web_page.h"

namespace leafmark::pack {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRuntimeEntryName = "flash.ocx";
constexpr const char* kMovieName = "book.swf";
constexpr const char* kSettingsName = "ExeConfig.xml";
constexpr const char* kDefaultTitle = "Leafmark";  // the player's caption without settings
constexpr std::int64_t kLargestSettings = 1 << 20;

std::string ExportHelp() {
  return std::string(
             "usage: leafmark-pack export-web BOOK --to DIR [--ruffle RUFFLE_DIR] [--force]\n"
             "\n"
             "Writes a web copy of BOOK (a packed book or a book folder) into DIR: every file of\n"
             "the book under its own name except the runtime \"flash.ocx\", Ruffle's self-hosted\n"
             "files and licences in DIR/ruffle/, and DIR/index.html, which plays \"book.swf\" with\n"
             "Ruffle filling the browser window, titled with the caption from \"ExeConfig.xml\".\n"
             "Any server of static files can serve DIR (it must send .wasm files as\n"
             "application/wasm); browsers do not run Ruffle from a page opened as a file.\n"
             "\n"
             "  --to DIR            the folder to write; refused when it is not empty\n"
             "  --force             write into a folder that is not empty\n"
             "  --ruffle DIR        the folder holding Ruffle's self-hosted files (ruffle.js,\n"
             "                      *.wasm, LICENSE_*), e.g. node_modules/@ruffle-rs/ruffle.\n"
             "                      Without it: $") +
         kRuffleEnvironmentVariable + ", else the copy scripts/setup installs:\n                      " +
         BuiltInRuffleDirectory() +
         "\n"
         "\n"
         "Nothing is written when a name would land outside DIR or collides with index.html or\n"
         "ruffle/, when a packed book's digest does not match, or when Ruffle is missing.\n"
         "Exit codes: 0 success, 1 bad input, 2 usage error.\n";
}

struct TExportFile {
  std::string Name;          // in the export, "/" between parts
  std::int64_t Size = 0;
  std::string SourcePath;    // a book folder's file
  std::int32_t Entry = -1;   // or a packed book's entry
};

// Names compare without regard to ASCII letter case, as the book's lookups do.
std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

// name as a browser reads it in a URL, where a backslash separates parts as "/" does.
std::string WebName(std::string name) {
  for (char& c : name) c = c == '\\' ? '/' : c;
  return name;
}

// The files of a book folder or a packed book, and their bytes.
class TBookSource {
 public:
  explicit TBookSource(const std::string& name) {
    std::error_code error;
    if (!fs::exists(name, error)) throw std::runtime_error("\"" + name + "\" does not exist");
    if (fs::is_directory(name, error)) {
      folder_ = name;
      std::vector<TBookFile> scanned = ScanBookDirectory(name, {});
      for (TBookFile& file : scanned) file.Name = WebName(file.Name);
      SortAndCheckDuplicates(scanned);
      for (TBookFile& file : scanned) files_.push_back({std::move(file.Name), file.Size, std::move(file.Source), -1});
    } else {
      book_ = std::make_unique<TFileStream>(name, TFileStream::TMode::Read);
      contents_ = ReadBookContents(*book_);
      // The player shows nothing of a book whose content no longer matches its digest.
      if (contents_.Layout.HasDigest() && contents_.Layout.Count > 0) VerifyExtentDigest(*book_, contents_.Layout);
      TakeIndexLines();
    }
  }

  const std::vector<TExportFile>& Files() const { return files_; }
  const std::vector<std::string>& Notes() const { return notes_; }
  const std::string& Folder() const { return folder_; }

  void Copy(const TExportFile& file, TStream& out) {
    if (book_) return CopyEntry(*book_, contents_.Layout, file.Entry, out);
    TFileStream source(file.SourcePath, TFileStream::TMode::Read);
    if (source.Size() != file.Size) throw std::runtime_error("\"" + file.SourcePath + "\" changed while exporting");
    out.CopyFrom(source, file.Size);
  }

  void KeepOnly(const std::vector<TExportFile>& kept) { files_ = kept; }

 private:
  // As the player finds names: the first line for a name wins, without regard to case; a
  // line naming no entry counts as absent.
  void TakeIndexLines() {
    const TExtentLayout& layout = contents_.Layout;
    std::set<std::string> taken;  // lower-case names
    for (const TNamedEntry& line : contents_.Lines) {
      const std::string name = WebName(line.Name);
      if (line.Number < 1 || line.Number >= layout.Count) {
        notes_.push_back("skipped \"" + line.Name + "\": index line \"" + line.Line + "\" names no entry");
        continue;
      }
      if (!taken.insert(Lower(name)).second) {
        notes_.push_back("skipped \"" + line.Name + "\": an earlier index line has the same name, and the book uses that one");
        continue;
      }
      files_.push_back({name, layout.Sizes[static_cast<std::size_t>(line.Number)], {}, line.Number});
    }
  }

  std::string folder_;
  std::unique_ptr<TFileStream> book_;
  TBookContents contents_;
  std::vector<TExportFile> files_;
  std::vector<std::string> notes_;
};

std::string FirstPart(const std::string& name) { return name.substr(0, name.find('/')); }

// Why the export cannot hold name; empty when it can.
std::string RefusalFor(const std::string& name) {
  std::string reason = UnsafeEntryPathReason(name);
  if (!reason.empty()) return reason;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == ".") return "an empty or \".\" part does not name a file";
    start = end + 1;
  }
  if (SameEntryName(name, kWebPageName)) return "the export's own page has this name";
  if (SameEntryName(FirstPart(name), kRuffleFolder) && name.find('/') != std::string::npos) {
    return std::string("the export keeps Ruffle in \"") + kRuffleFolder + "/\"";
  }
  return {};
}

// Files that must not be exported, and names the export refuses, before anything is written.
std::vector<TExportFile> ChooseFiles(const std::vector<TExportFile>& files) {
  std::vector<TExportFile> kept;
  std::string refusals;
  for (const TExportFile& file : files) {
    if (SameEntryName(file.Name, kRuntimeEntryName)) continue;
    const std::string reason = RefusalFor(file.Name);
    if (!reason.empty()) {
      refusals += "\n  \"" + file.Name + "\": " + reason;
    } else {
      kept.push_back(file);
    }
  }
  // A name that is also another's folder ("a" and "a/b") cannot be both a file and a folder.
  std::map<std::string, std::string> folders;  // lower-case folder path: a name below it
  for (const TExportFile& file : kept) {
    for (std::size_t slash = file.Name.find('/'); slash != std::string::npos; slash = file.Name.find('/', slash + 1)) {
      folders.emplace(Lower(file.Name.substr(0, slash)), file.Name);
    }
  }
  for (const TExportFile& file : kept) {
    const auto folder = folders.find(Lower(file.Name));
    if (folder != folders.end()) refusals += "\n  \"" + file.Name + "\": \"" + folder->second + "\" needs it to be a folder";
  }
  if (!refusals.empty()) throw std::runtime_error("nothing was written; the web copy cannot hold these names:" + refusals);
  return kept;
}

const TExportFile* FindFile(const std::vector<TExportFile>& files, const char* name) {
  for (const TExportFile& file : files) {
    if (SameEntryName(file.Name, name)) return &file;
  }
  return nullptr;
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
  const fs::path a = fs::weakly_canonical(inner), b = fs::weakly_canonical(outer);
  auto ai = a.begin();
  for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
    if (bi->empty()) continue;  // a trailing separator
    if (ai == a.end() || *ai != *bi) return false;
  }
  return true;
}

// The target folder must be empty unless forced, and a forced export must not follow a
// symbolic link or replace a folder on its way to a file.
void CheckTarget(const fs::path& target, bool force, const std::string& bookFolder,
                 const std::vector<std::string>& names) {
  std::error_code error;
  if (!bookFolder.empty() && IsInside(target, bookFolder)) {
    throw std::runtime_error("\"" + target.string() + "\" lies inside the book folder \"" + bookFolder +
                             "\"; write the web copy elsewhere");
  }
  if (!fs::exists(fs::symlink_status(target, error))) return;
  if (!fs::is_directory(target, error)) throw std::runtime_error("\"" + target.string() + "\" is not a folder");
  if (!force && !fs::is_empty(target, error)) {
    throw std::runtime_error("\"" + target.string() + "\" is not empty; --force writes into it anyway");
  }
  for (const std::string& name : names) {
    const fs::path relative(name);
    fs::path path = target;
    for (auto part = relative.begin(); part != relative.end(); ++part) {
      path /= *part;
      const fs::file_status status = fs::symlink_status(path, error);
      if (!fs::exists(status)) break;
      if (fs::is_symlink(status)) {
        throw std::runtime_error("\"" + path.string() + "\" is a symbolic link; the web copy does not write through it");
      }
      const bool last = std::next(part) == relative.end();
      if (last ? !fs::is_regular_file(status) : !fs::is_directory(status)) {
        throw std::runtime_error("\"" + path.string() + "\" is in the way of \"" + name + "\"");
      }
    }
  }
}

// The page's title and what it plays, from the book's settings as the player reads them.
TWebPageFacts PageFacts(TBookSource& source) {
  TWebPageFacts facts;
  facts.TitleUtf8 = kDefaultTitle;
  if (const TExportFile* movie = FindFile(source.Files(), kMovieName)) facts.Movie = movie->Name;
  const TExportFile* settings = FindFile(source.Files(), kSettingsName);
  if (settings == nullptr) return facts;
  if (settings->Size > kLargestSettings) {
    std::cerr << "note: " << settings->Name << " is larger than settings can be; the title is \"" << kDefaultTitle << "\"\n";
    return facts;
  }
  TMemoryStream bytes;
  source.Copy(*settings, bytes);
  try {
    const TExeConfigValues values = ReadExeConfig(bytes.Bytes());
    facts.TitleUtf8 = values.CaptionUtf8;
    facts.OfferFullScreen = values.WindowOpenMode == 3 || values.WindowOpenMode == 4;
  } catch (const EXmlError& error) {
    std::cerr << "note: " << settings->Name << ": " << error.what() << "; the player applies none of it, "
              << "and the title is \"" << kDefaultTitle << "\"\n";
  }
  return facts;
}

void WriteFile(const fs::path& path, const std::function<void(TStream&)>& fill) {
  fs::create_directories(path.parent_path());
  TFileStream out(path.string(), TFileStream::TMode::Create);
  fill(out);
  out.Flush();
}

}  // namespace

int RunExportWeb(const std::vector<std::string>& args) {
  const TArgs parsed(args, {"--to", "--ruffle"}, {"--force"});
  if (parsed.Help()) {
    std::cout << ExportHelp();
    return kExitOk;
  }
  if (parsed.Positional().size() != 1) throw EUsageError("export-web needs exactly one BOOK");
  const std::string bookName = parsed.Positional()[0];
  const fs::path target(parsed.Required("--to"));
  const TRuffleCopy ruffle = FindRuffle(parsed.Value("--ruffle"));

  TBookSource source(bookName);
  for (const std::string& note : source.Notes()) std::cerr << "note: " << note << "\n";
  source.KeepOnly(ChooseFiles(source.Files()));
  const TWebPageFacts facts = PageFacts(source);
  if (!facts.Movie) std::cerr << "note: the book has no \"" << kMovieName << "\"; the page says so\n";

  std::vector<std::string> names{kWebPageName};
  std::int64_t total = 0;
  for (const TExportFile& file : source.Files()) names.push_back(file.Name), total += file.Size;
  for (const std::string& file : ruffle.Files) {
    names.push_back(std::string(kRuffleFolder) + "/" + file);
    total += static_cast<std::int64_t>(fs::file_size(fs::path(ruffle.Directory) / file));
  }
  CheckTarget(target, parsed.Flag("--force"), source.Folder(), names);

  TProgress progress("exporting " + bookName, total);
  for (const TExportFile& file : source.Files()) {
    WriteFile(target / fs::path(file.Name), [&](TStream& out) { source.Copy(file, out); });
    progress.Advance(file.Size);
  }
  for (const std::string& file : ruffle.Files) {
    TFileStream in((fs::path(ruffle.Directory) / file).string(), TFileStream::TMode::Read);
    WriteFile(target / kRuffleFolder / file, [&](TStream& out) { out.CopyFrom(in, in.Size()); });
    progress.Advance(in.Size());
  }
  const std::string page = WebPageHtml(facts);
  WriteFile(target / kWebPageName,
            [&](TStream& out) { out.WriteBuffer(page.data(), static_cast<std::int64_t>(page.size())); });
  progress.Done();
  std::cout << "wrote " << target.string() << ": " << source.Files().size() << " files of the book, Ruffle "
            << (ruffle.Version.empty() ? "(version unknown)" : ruffle.Version) << " from " << ruffle.Directory
            << ", " << kWebPageName << " titled \"" << facts.TitleUtf8 << "\"\n";
  return kExitOk;
}

}  // namespace leafmark::pack
