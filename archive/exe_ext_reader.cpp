// The book reader: trailer and digest checks on construction, entry copies on request.
#include "archive/exe_ext_reader.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "base/platform_files.h"
#include "base/text_trim.h"

namespace leafmark {

namespace {

// Another process may hold the book open without sharing for a moment (an installer, a
// virus scanner): keep trying for five seconds before giving up.
std::optional<TFileStream> OpenWithRetries(const std::string& name) {
  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  while (Clock::now() - started < std::chrono::seconds(5)) {
    try {
      return std::optional<TFileStream>(std::in_place, name, TFileStream::TMode::Read);
    } catch (const EStreamError&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  return std::nullopt;
}

}  // namespace

TExeExtReader::TExeExtReader(const std::string& archiveFile) {
  FileName = TrimBlanksAndControls(archiveFile).empty() ? OwnExecutablePath() : archiveFile;
  if (!FileExists(FileName)) return;
  std::optional<TFileStream> file = OpenWithRetries(FileName);
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
  file.SetPosition(EntryOffset(DataStart, Sizes, index));

  std::int64_t remaining = Sizes[static_cast<std::size_t>(index)];
  if (remaining == 0) return;
  // One buffer as large as the entry, up to 60 MiB: a typical entry is one read, one write.
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(remaining, kEntryCopyBufferLimit)));
  while (remaining > 0) {
    const std::int64_t n = std::min(remaining, static_cast<std::int64_t>(buffer.size()));
    file.ReadBuffer(buffer.data(), n);
    stream.WriteBuffer(buffer.data(), n);
    remaining -= n;
  }
}

std::string TExeExtReader::ReadEntryText(std::int32_t index) const {
  TMemoryStream text;
  ReadEntry(index, text);
  return text.Text();
}

}  // namespace leafmark
