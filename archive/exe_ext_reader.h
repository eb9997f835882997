// TExeExtReader: opens a book file, checks its extent section and copies entries out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/extent_layout.h"
#include "base/stream.h"

namespace leafmark {

inline constexpr std::int64_t kEntryCopyBufferLimit = 0x3C00000;  // 60 MiB

// The book file that archiveFile names: empty (after trimming blanks and control characters)
// means the program's own executable.
std::string BookFileName(const std::string& archiveFile);
// Opens the book file for reading, trying for five seconds while another process holds it
// without sharing; null when it does not exist or cannot be opened.
std::unique_ptr<TFileStream> OpenBookFile(const std::string& fileName);
// Copies size bytes from offset in file to out's position, through one buffer of at most
// kEntryCopyBufferLimit bytes.
void CopyFileRange(TStream& file, std::int64_t offset, std::int64_t size, TStream& out);

class TExeExtReader {
 public:
  // An empty archiveFile (after trimming blanks and control characters) means the program's
  // own executable. A file that does not exist, or cannot be opened within five seconds,
  // gives a reader with Count 0; a broken trailer or digest raises EExtentError.
  explicit TExeExtReader(const std::string& archiveFile);

  // Copies entry index to stream's position; raises "Error index" for an index out of range.
  void ReadEntry(std::int32_t index, TStream& stream) const;
  // The raw bytes of entry index.
  std::string ReadEntryText(std::int32_t index) const;

  std::string FileName;
  std::int32_t Count = 0;
  std::vector<std::int32_t> Sizes;
  std::int64_t DataStart = 0;
};

}  // namespace leafmark
