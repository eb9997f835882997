// The book reader: trailer and digest checks on construction, entry copies on request.
#include "archive/exe_ext_reader.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "base/platform_files.h"
#include "base/text_trim.h"

namespace leafmark {

std::string BookFileName(const std::string& archiveFile) {
  return TrimBlanksAndControls(archiveFile).empty() ? OwnExecutablePath() : archiveFile;
}

// Another process may hold the book open without sharing for a moment (an installer, a
// virus scanner): keep trying for five seconds before giving up.
std::unique_ptr<TFileStream> OpenBookFile(const std::string& fileName) {
  if (!FileExists(fileName)) return nullptr;
  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  while (Clock::now() - started < std::chrono::seconds(5)) {
    try {
      return std::make_unique<TFileStream>(fileName, TFileStream::TMode::Read);
    } catch (const EStreamError&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  return nullptr;
}

void CopyFileRange(TStream& file, std::int64_t offset, std::int64_t size, TStream& out) {
  if (size <= 0) return;
  file.SetPosition(offset);
  // One buffer as large as the entry, up to 60 MiB: a typical entry is one read, one write.
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(size, kEntryCopyBufferLimit)));
  while (size > 0) {
    const std::int64_t n = std::min(size, static_cast<std::int64_t>(buffer.size()));
    file.ReadBuffer(buffer.data(), n);
    out.WriteBuffer(buffer.data(), n);
    size -= n;
  }
}

TExeExtReader::TExeExtReader(const std::string& archiveFile) {
  FileName = BookFileName(archiveFile);
  const std::unique_ptr<TFileStream> file = OpenBookFile(FileName);
  if (!file) return;

  const TExtentLayout layout = ReadExtentLayout(*file);
  if (layout.Count > 0 && layout.HasDigest()) VerifyExtentDigest(*file, layout);
  Count = layout.Count;
  Sizes = layout.Sizes;
  DataStart = layout.DataStart;
}

void TExeExtReader::ReadEntry(std::int32_t index, TStream& stream) const {
  if (index < 0 || index >= Count) throw EExtentError(kErrorIndexMessage);
  TFileStream file(FileName, TFileStream::TMode::Read);
  CopyFileRange(file, EntryOffset(DataStart, Sizes, index), Sizes[static_cast<std::size_t>(index)], stream);
}

std::string TExeExtReader::ReadEntryText(std::int32_t index) const {
  TMemoryStream text;
  ReadEntry(index, text);
  return text.Text();
}

}  // namespace leafmark
