#include "tests/app/player_process.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "tests/support/archive_builder.h"

namespace leafmark::test {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), needed);
  return wide;
}

std::string PlayerExePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path, length);
  return own.substr(0, own.find_last_of('\\') + 1) + "leafmark-player.exe";
}

std::wstring QuoteArgument(const std::string& argument) {
  const std::wstring wide = Widen(argument);
  if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) return wide;
  return L"\"" + wide + L"\"";
}

struct TFindWindow {
  DWORD ProcessId;
  HWND Found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TFindWindow*>(parameter);
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if (processId == search->ProcessId && std::wstring(className) == L"TfrmMain" && ::IsWindowVisible(window)) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string WriteBook(const TTempDir& dir, const TBookFiles& files, const std::string& name) {
  TRawBook book = MakeBook(files);
  book.Prefix = ReadFileBytes(PlayerExePath());
  const std::string path = dir.File(name);
  WriteFileBytes(path, book.Build());
  return path;
}

std::string WriteBarePlayer(const TTempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  WriteFileBytes(path, ReadFileBytes(PlayerExePath()));
  return path;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string ExeConfigXml(const std::string& caption, const std::string& mode, const std::string& width,
                         const std::string& height) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ExeConfig>\r\n  <ExeCaption><![CDATA[" + caption +
         "]]></ExeCaption>\r\n  <WindowOpenMode>" + mode + "</WindowOpenMode>\r\n  <WindowOpenWidth>" + width +
         "</WindowOpenWidth>\r\n  <WindowOpenHeight>" + height + "</WindowOpenHeight>\r\n</ExeConfig>\r\n";
}

RECT Bounds(int left, int top, int width, int height) { return RECT{left, top, width, height}; }

TPlayer::TPlayer(const std::string& exePath, const std::vector<std::string>& arguments, const std::string& workingDir) {
  std::wstring commandLine = QuoteArgument(exePath);
  for (const std::string& argument : arguments) commandLine += L" " + QuoteArgument(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  const std::wstring application = Widen(exePath);
  const std::wstring directory = Widen(workingDir);
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR; a second try succeeds.
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         directory.c_str(), &startup, &process_)) {
      break;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      throw std::runtime_error("cannot start " + exePath + ": error " + std::to_string(error));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

TPlayer::~TPlayer() {
  if (Running()) {
    if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_.hProcess, 99);
      ::WaitForSingleObject(process_.hProcess, 5000);
    }
  }
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

HWND TPlayer::WaitForWindow() {
  TFindWindow search{process_.dwProcessId};
  WaitUntil([&] {
    ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found != nullptr || !Running();
  });
  window_ = search.Found;
  // The window turns visible inside start-up, before the last bounds are applied; a message
  // sent to it is answered only once the player's message loop runs.
  DWORD_PTR answer = 0;
  if (window_ && !::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL,
                                        static_cast<UINT>(kPatience.count()), &answer)) {
    window_ = nullptr;
  }
  return window_;
}

TWindowFacts TPlayer::Facts() const {
  TWindowFacts facts;
  wchar_t caption[512] = {};
  const int length = ::GetWindowTextW(window_, caption, 512);
  facts.Caption.assign(caption, static_cast<std::size_t>(length > 0 ? length : 0));
  RECT rect{};
  ::GetWindowRect(window_, &rect);
  facts.Bounds = Bounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  facts.Maximized = ::IsZoomed(window_) != FALSE;
  facts.Minimized = ::IsIconic(window_) != FALSE;
  facts.Visible = ::IsWindowVisible(window_) != FALSE;
  facts.Style = ::GetWindowLongPtrW(window_, GWL_STYLE);
  return facts;
}

bool TPlayer::WaitForExit(std::chrono::milliseconds timeout, DWORD& exitCode) {
  if (::WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
  ::GetExitCodeProcess(process_.hProcess, &exitCode);
  return true;
}

bool TPlayer::Running() const { return ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

void TPlayer::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  ::PostMessageW(window_, message, wParam, lParam);
}

void TPlayer::PostKey(WORD virtualKey) const {
  const UINT scanCode = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  Post(WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scanCode) << 16));
  Post(WM_KEYUP, virtualKey, 1 | (static_cast<LPARAM>(scanCode) << 16) | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

bool TPlayer::Settle(const std::string& logFile) {
  // Two rounds: a character that a key message of the first round produces is queued behind
  // the first marker.
  for (int round = 0; round < 2; ++round) {
    const char marker = nextMarker_++;
    Post(WM_CHAR, static_cast<WPARAM>(marker), 0);
    const std::string line = std::string("FormKeyPress[") + marker + "]";
    if (!WaitUntil([&] { return LogContains(logFile, line) || !Running(); })) return false;
  }
  return Running();
}

std::vector<std::string> ReadLogLines(const std::string& logFile) {
  std::ifstream in(logFile, std::ios::binary);
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));  // an unterminated last line shows up as it is
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool LogContains(const std::string& logFile, const std::string& message) {
  for (const std::string& line : ReadLogLines(logFile)) {
    if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace leafmark::test
