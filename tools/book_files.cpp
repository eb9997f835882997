// Scanning a book directory and checking the names its index will hold.
#include "tools/book_files.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "archive/extent_index.h"

namespace leafmark::pack {

namespace fs = std::filesystem;

namespace {

bool SamePath(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::exists(b, error) && fs::equivalent(a, b, error);
}

}  // namespace

void CheckArchiveName(const std::string& name) {
  if (name.empty()) throw std::runtime_error("an empty file name cannot be stored");
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '=') {
      throw std::runtime_error("\"" + name + "\": a name containing \"=\" cannot be stored in the index");
    }
    if (byte < 0x20 || byte > 0x7E) {
      throw std::runtime_error("\"" + name +
                               "\": only printable ASCII names can be stored in the index (no line breaks, "
                               "control or non-ASCII characters)");
    }
  }
}

std::vector<TBookFile> ScanBookDirectory(const std::string& dir, const std::vector<std::string>& skip) {
  const fs::path root(dir);
  std::error_code error;
  if (!fs::is_directory(root, error)) throw std::runtime_error("\"" + dir + "\" is not a directory");
  std::vector<TBookFile> files;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end; it != end;
       it.increment(error)) {
    if (error) throw std::runtime_error("cannot read \"" + dir + "\": " + error.message());
    if (!it->is_regular_file()) continue;
    if (std::any_of(skip.begin(), skip.end(), [&](const std::string& s) { return SamePath(it->path(), s); })) {
      continue;
    }
    TBookFile file;
    file.Name = it->path().lexically_relative(root).generic_string();
    file.Source = it->path().string();
    file.Size = static_cast<std::int64_t>(it->file_size());
    CheckArchiveName(file.Name);
    files.push_back(std::move(file));
  }
  if (error) throw std::runtime_error("cannot read \"" + dir + "\": " + error.message());
  return files;
}

void SortAndCheckDuplicates(std::vector<TBookFile>& files) {
  std::stable_sort(files.begin(), files.end(),
                   [](const TBookFile& a, const TBookFile& b) { return EntryNameLess(a.Name, b.Name); });
  for (std::size_t k = 1; k < files.size(); ++k) {
    if (!EntryNameLess(files[k - 1].Name, files[k].Name)) {
      throw std::runtime_error("\"" + files[k - 1].Name + "\" and \"" + files[k].Name +
                               "\" differ only in letter case; the book finds names without regard to case");
    }
  }
}

}  // namespace leafmark::pack
