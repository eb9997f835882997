// Each line reloads the whole file and writes it back: simple, and the log is off by default.
#include "app/log4dp.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "app/log_text.h"
#include "base/platform_files.h"
#include "base/stream.h"

namespace leafmark {

namespace {

bool DirectoryExists(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates directory and every missing parent; failures are left for the save to meet.
void ForceDirectories(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  if (directory.empty() || directory.back() == ':' || DirectoryExists(directory)) return;
  ForceDirectories(ExtractFilePath(directory));
  ::CreateDirectoryA(directory.c_str(), nullptr);
}

char TimeSeparator() {
  char separator[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator) > 1) return separator[0];
  return ':';
}

std::string Timestamp() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return FormatTimestamp({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, TimeSeparator());
}

std::string ReadWholeFile(const std::string& name) {
  TFileStream file(name, TFileStream::TMode::Read);
  std::string text(static_cast<std::size_t>(file.Size()), '\0');
  file.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return text;
}

void WriteWholeFile(const std::string& name, const std::string& text) {
  TFileStream file(name, TFileStream::TMode::Create);
  file.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

}  // namespace

std::string ExeDirPath(const std::string& name) {
  std::string directory = ExtractFilePath(OwnExecutablePath());
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  return directory + name;
}

void InitializeLogModule() {
  LogEnabled = false;
  LogFileName.clear();
}

std::string ResolveLogFileName(const std::string& name) {
  if (name.empty() || !ExtractFilePath(name).empty()) return name;
  return ExeDirPath(name);
}

void TLog4DP::Log(const std::string& message) noexcept {
  if (!LogEnabled) return;
  try {
    // Lines from several threads would otherwise read and rewrite the file over each other.
    static std::mutex writing;
    const std::lock_guard guard(writing);
    ForceDirectories(LogFileName.empty() ? ExeDirPath("") : ExtractFilePath(LogFileName));

    std::string stamp;
    try {
      stamp = Timestamp();
    } catch (...) {
    }

    // Without a file name the save fails like any other and the line is lost.
    std::vector<std::string> lines;
    if (FileExists(LogFileName)) lines = SplitLines(ReadWholeFile(LogFileName));
    // A message with line breaks becomes several lines, each ended by CR LF.
    for (std::string& line : SplitLines(stamp + ": " + message)) lines.push_back(std::move(line));
    WriteWholeFile(LogFileName, JoinLines(lines));
  } catch (...) {
  }
}

}  // namespace leafmark
