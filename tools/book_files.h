// The files of a book directory, with the archive names the index will carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafmark::pack {

struct TBookFile {
  std::string Name;    // archive name: relative, "/" between parts
  std::string Source;  // where the bytes come from
  std::int64_t Size = 0;
};

// Every regular file below dir, with names relative to it. skip lists files not to take
// (the book being written, when it lies inside dir).
std::vector<TBookFile> ScanBookDirectory(const std::string& dir, const std::vector<std::string>& skip);

// Throws std::runtime_error naming the file when the index cannot carry name: "=", CR, LF
// or anything outside printable ASCII.
void CheckArchiveName(const std::string& name);

// Sorts files by name without regard to case (their entry order) and throws, naming both,
// when two names differ only in letter case.
void SortAndCheckDuplicates(std::vector<TBookFile>& files);

}  // namespace leafmark::pack
