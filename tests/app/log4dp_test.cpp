// The log inside the process: a line that cannot be written is lost, nothing more.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/log4dp.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

struct TUnwritableCase {
  const char* Name;
  const char* LogName;  // below the test's directory
};

void PrintTo(const TUnwritableCase& c, std::ostream* out) { *out << c.Name; }

class LogFailures : public ::testing::TestWithParam<TUnwritableCase> {
 protected:
  void TearDown() override { InitializeLogModule(); }
};

TEST_P(LogFailures, AreSwallowedAndTheNextGoodLineIsWritten) {
  const test::TTempDir dir;
  ::CreateDirectoryA(dir.File("a directory").c_str(), nullptr);
  test::WriteFileText(dir.File("a file"), "kept");
  // Held open without sharing: neither the log's read nor its write can open it.
  const HANDLE held = ::CreateFileA(dir.File("held.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  LogEnabled = true;
  LogFileName = dir.File(GetParam().LogName);
  TLog4DP::Log("lost");
  ::CloseHandle(held);

  EXPECT_EQ(test::ReadFileBytes(dir.File("a file")), std::vector<std::uint8_t>({'k', 'e', 'p', 't'}));
  EXPECT_TRUE(test::ReadFileBytes(dir.File("held.txt")).empty());

  LogFileName = dir.File("good.txt");
  TLog4DP::Log("written");
  const std::vector<std::uint8_t> good = test::ReadFileBytes(dir.File("good.txt"));
  EXPECT_EQ(std::string(good.begin(), good.end()).substr(19), ": written\r\n");
}

INSTANTIATE_TEST_SUITE_P(Names, LogFailures,
                         ::testing::Values(TUnwritableCase{"a_directory", "a directory"},
                                           TUnwritableCase{"a_file_held_by_another", "held.txt"},
                                           TUnwritableCase{"below_a_file", "a file\\sub\\log.txt"},
                                           TUnwritableCase{"a_name_windows_refuses", "bad|name?.txt"}),
                         [](const ::testing::TestParamInfo<TUnwritableCase>& param) { return std::string(param.param.Name); });

TEST(LogFileName, IsResolvedFromTheSwitchOnceAndLoggingLeavesItAlone) {
  EXPECT_EQ(ResolveLogFileName(""), "");
  EXPECT_EQ(ResolveLogFileName("bare.log"), ExeDirPath("bare.log"));
  EXPECT_EQ(ResolveLogFileName("C:\\logs\\book.log"), "C:\\logs\\book.log");
  EXPECT_EQ(ResolveLogFileName("logs\\book.log"), "logs\\book.log");

  // Lines may come from the runtime's threads: writing one must not change the name others
  // are reading.
  const test::TTempDir dir;
  const std::string name = dir.File("book.log");
  LogEnabled = true;
  LogFileName = name;
  TLog4DP::Log("one");
  EXPECT_EQ(LogFileName, name);
  const std::string bare = "leafmark-log-name-test.log";
  LogFileName = bare;
  TLog4DP::Log("two");
  EXPECT_EQ(LogFileName, bare);
  ::DeleteFileA(bare.c_str());
  ::DeleteFileA(ExeDirPath(bare).c_str());
  InitializeLogModule();
}

}  // namespace
}  // namespace leafmark
