// Drives the real player from a test: books made from a copy of leafmark-player.exe,
// started as processes, their main window found and read, messages posted to it.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace leafmark::test {

using TBookFiles = std::vector<std::pair<std::string, std::string>>;

// Writes dir/name: the player with an archive of files appended (none: the bare player).
std::string WriteBook(const TTempDir& dir, const TBookFiles& files, const std::string& name = "book.exe");
std::string WriteBarePlayer(const TTempDir& dir, const std::string& name = "book.exe");

// The timeout only bounds a failing wait: the machine is shared, so it is generous.
inline constexpr std::chrono::milliseconds kPatience{30000};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kPatience);

struct TWindowFacts {
  std::wstring Caption;
  RECT Bounds{};  // left, top, width, height
  bool Maximized = false;
  bool Minimized = false;
  bool Visible = false;
  LONG_PTR Style = 0;
};

class TPlayer {
 public:
  // Starts exePath with the arguments (quoted where they hold blanks) in workingDir.
  TPlayer(const std::string& exePath, const std::vector<std::string>& arguments, const std::string& workingDir);
  // Closes the window if the player still runs, and waits for the process to end.
  ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  // The player's main window once it is shown and its start-up has finished (its message
  // loop has answered); null when none appears in time.
  HWND WaitForWindow();
  HWND Window() const { return window_; }
  TWindowFacts Facts() const;

  // True when the process ended in time; its exit code goes to exitCode.
  bool WaitForExit(std::chrono::milliseconds timeout, DWORD& exitCode);
  bool Running() const;

  void Post(UINT message, WPARAM wParam, LPARAM lParam) const;
  // Posts a key press as the keyboard would: key down, then key up.
  void PostKey(WORD virtualKey) const;
  // Returns once every message posted before has been handled: posts marker characters and
  // waits until the log shows them. Needs the player started with "-D -F<logFile>".
  bool Settle(const std::string& logFile);

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  char nextMarker_ = 'A';
};

// The log's lines, split at CR LF; empty when there is no file.
std::vector<std::string> ReadLogLines(const std::string& logFile);
bool LogContains(const std::string& logFile, const std::string& message);

// An "ExeConfig.xml" in UTF-8 with the caption in a CDATA section.
std::string ExeConfigXml(const std::string& caption, const std::string& mode, const std::string& width,
                         const std::string& height);

// Bounds as left, top, width, height.
RECT Bounds(int left, int top, int width, int height);

}  // namespace leafmark::test
