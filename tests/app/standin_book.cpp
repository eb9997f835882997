#include "tests/app/standin_book.h"

#include <windows.h>

#include "archive/md5.h"
#include "content/fake_url.h"
#include "tests/support/bin_file.h"

namespace leafmark::test {

std::string MovieFolderUrl() {
  const std::wstring_view marker = content::FakeURLMarker;
  return "file://Z:/FromMemory/" + std::string(marker.begin(), marker.end()) + "/1/";
}

std::string Md5Hex(const std::string& bytes) {
  TMD5 md5;
  md5.Update(bytes.data(), bytes.size());
  return MD5ToHex(md5.Final());
}

void StandinBook::SetUp() { ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", tracePath.c_str()); }

void StandinBook::TearDown() { ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", nullptr); }

TPlayer StandinBook::Start(TBookFiles files, bool withRuntime) {
  if (withRuntime) {
    const std::vector<std::uint8_t> image = ReadFileBytes(BinFile("flash.ocx"));
    files.emplace_back("flash.ocx", std::string(image.begin(), image.end()));
  }
  return TPlayer(WriteBook(dir, files), {"-D", "-F" + log}, dir.Path());
}

bool StandinBook::WaitForTrace(const TPlayer& player,
                               const std::function<bool(const TStandinTrace&)>& condition) const {
  return WaitUntil([&] { return condition(Trace()) || !player.Running(); }) && player.Running();
}

std::string StandinBook::TraceText() const {
  const TStandinTrace trace = Trace();
  std::string text;
  for (const TStandinEvent& event : trace.Events()) text += event.Line + "\n";
  return text;
}

std::vector<std::string> StandinBook::LogMessagesWith(const std::string& text) const {
  std::vector<std::string> messages;
  for (const std::string& line : ReadLogLines(log)) {
    // "yyyy-mm-dd hh:mm:ss: message"
    if (line.size() > 21 && line.find(text, 21) != std::string::npos) messages.push_back(line.substr(21));
  }
  return messages;
}

}  // namespace leafmark::test
