// Books that the stand-in runtime plays inside the real player: the book carries the
// stand-in as its "flash.ocx", and the stand-in traces what it fetched to a file of the test's.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/app/player_process.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/temp_dir.h"

namespace leafmark::test {

// The movie URL of the book's main movie: the player hands it over first, as movie 1.
std::string MovieFolderUrl();
// An entry's MD5 in lower-case hex, as the stand-in's "received" line writes it.
std::string Md5Hex(const std::string& bytes);

class StandinBook : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the book of files plus the stand-in as "flash.ocx" (unless withRuntime is false),
  // with the log on.
  TPlayer Start(TBookFiles files, bool withRuntime = true);
  TStandinTrace Trace() const { return TStandinTrace::Read(tracePath); }
  // The trace as written, for failure messages.
  std::string TraceText() const;
  // Waits until the trace satisfies condition; false when it never does or the player ends.
  bool WaitForTrace(const TPlayer& player, const std::function<bool(const TStandinTrace&)>& condition) const;
  // The logged messages (timestamps cut off) that contain text.
  std::vector<std::string> LogMessagesWith(const std::string& text) const;

  TTempDir dir;
  std::string log = dir.File("log.txt");
  std::string tracePath = dir.File("trace.log");
};

}  // namespace leafmark::test
