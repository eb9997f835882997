// The diagnostic log as the player writes it: switches, where the file goes, line format.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "tests/app/player_process.h"

namespace leafmark::test {
namespace {

namespace fs = std::filesystem;

// "yyyy-mm-dd hh:mm:ss: message" with the system's time separator.
::testing::AssertionResult IsLogLine(const std::string& line, const std::string& message) {
  char separator[8] = {};
  ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator);
  const std::string s = std::string("\\") + separator[0];
  const std::regex stamp("^\\d{4}-\\d{2}-\\d{2} \\d{2}" + s + "\\d{2}" + s + "\\d{2}: ");
  std::smatch match;
  if (!std::regex_search(line, match, stamp)) return ::testing::AssertionFailure() << "no timestamp in \"" << line << "\"";
  if (match.suffix().str() != message) return ::testing::AssertionFailure() << "\"" << line << "\" is not \"" << message << "\"";
  return ::testing::AssertionSuccess();
}

// A book with its movie: a book without one logs why as well.
void ExpectStartUpLines(const std::vector<std::string>& lines) {
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsLogLine(lines[0], "ConfigFileName:ExeConfig.xml"));
  EXPECT_TRUE(IsLogLine(lines[1], "Loading book.swf..."));
}

// Everything below root, as relative paths with "/" separators.
std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    entries.insert(fs::relative(entry.path(), root).generic_string());
  }
  return entries;
}

struct TSwitchCase {
  const char* Name;
  std::vector<std::string> Arguments;  // "{dir}" stands for the test's directory
  const char* LogFile;                 // relative to the test's directory; null: no log at all
};

void PrintTo(const TSwitchCase& c, std::ostream* out) { *out << c.Name; }

class PlayerLogSwitches : public ::testing::TestWithParam<TSwitchCase> {};

// The book lives in dir/bin and runs in dir, so "beside the executable" and "relative to the
// working directory" are told apart.
TEST_P(PlayerLogSwitches, WritesWhereTheSwitchesSay) {
  const TSwitchCase& c = GetParam();
  const TTempDir dir;
  fs::create_directory(dir.File("bin"));
  std::vector<std::string> arguments;
  for (std::string argument : c.Arguments) {
    const std::size_t at = argument.find("{dir}");
    if (at != std::string::npos) argument.replace(at, 5, dir.Path());
    arguments.push_back(argument);
  }
  {
    TPlayer player(WriteBook(dir, {{"book.swf", "FWS"}}, "bin\\book.exe"), arguments, dir.Path());
    ASSERT_TRUE(player.WaitForWindow());  // start-up, and its logging, is done
  }

  std::set<std::string> expected{"bin", "bin/book.exe"};
  if (c.LogFile) {
    ExpectStartUpLines(ReadLogLines(dir.File(c.LogFile)));
    for (fs::path part = fs::path(c.LogFile); !part.empty(); part = part.parent_path()) {
      expected.insert(part.generic_string());
    }
  }
  EXPECT_EQ(Tree(dir.Path()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, PlayerLogSwitches,
    ::testing::Values(
        TSwitchCase{"no_D_writes_nothing", {"-F{dir}\\logs\\log.txt"}, nullptr},
        TSwitchCase{"no_D_with_a_bare_name_writes_nothing", {"-Flog.txt"}, nullptr},
        TSwitchCase{"D_without_F_writes_nothing", {"-D"}, nullptr},
        TSwitchCase{"F_without_a_name_writes_nothing", {"-D", "-F"}, nullptr},
        TSwitchCase{"lower_case_switches_put_a_bare_name_beside_the_executable", {"-d", "-flog.txt"}, "bin/log.txt"},
        TSwitchCase{"switches_after_other_arguments", {"/s", "-Flog.txt", "-D"}, "bin/log.txt"},
        TSwitchCase{"an_argument_beginning_with_D_enables", {"-Debug", "-Flog.txt"}, "bin/log.txt"},
        TSwitchCase{"the_last_F_wins", {"-D", "-Ffirst.txt", "-Fsecond.txt"}, "bin/second.txt"},
        TSwitchCase{"absolute_name_in_missing_directories", {"-D", "-F{dir}\\new\\deeper\\log.txt"}, "new/deeper/log.txt"},
        TSwitchCase{"relative_directory_from_the_working_directory", {"-D", "-Fsub\\log.txt"}, "sub/log.txt"}),
    [](const ::testing::TestParamInfo<TSwitchCase>& param) { return std::string(param.param.Name); });

TEST(PlayerLog, ExistingLinesStayAndEachCallAddsOneLineAtTheEnd) {
  const TTempDir dir;
  const std::string log = dir.File("log.txt");
  WriteFileText(log, "earlier one\r\nearlier two");  // the last line without its break
  {
    TPlayer player(WriteBook(dir, {{"book.swf", "FWS"}}), {"-D", "-F" + log}, dir.Path());
    ASSERT_TRUE(player.WaitForWindow());
  }
  const std::vector<std::string> lines = ReadLogLines(log);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "earlier one");
  EXPECT_EQ(lines[1], "earlier two");
  ExpectStartUpLines({lines[2], lines[3]});
}

TEST(PlayerLog, MessageWithLineBreaksBecomesLinesEndedByCrLf) {
  const TTempDir dir;
  const std::string log = dir.File("log.txt");
  TPlayer player(WriteBook(dir, {{"book.swf", "FWS"}}), {"-D", "-F" + log}, dir.Path());
  ASSERT_TRUE(player.WaitForWindow());
  player.Post(WM_CHAR, '\n', 0);
  player.Post(WM_CHAR, '\r', 0);
  ASSERT_TRUE(player.Settle(log));  // later lines re-read the earlier ones

  const std::vector<std::string> lines = ReadLogLines(log);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_TRUE(IsLogLine(lines[2], "FormKeyPress["));
  EXPECT_EQ(lines[3], "]");
  EXPECT_TRUE(IsLogLine(lines[4], "FormKeyPress["));
  EXPECT_EQ(lines[5], "]");
  EXPECT_TRUE(IsLogLine(lines[6], "FormKeyPress[A]"));

  const std::vector<std::uint8_t> bytes = ReadFileBytes(log);
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    if (bytes[k] == '\r') {
      EXPECT_TRUE(k + 1 < bytes.size() && bytes[k + 1] == '\n') << "lone CR at " << k;
    }
    if (bytes[k] == '\n') {
      EXPECT_TRUE(k > 0 && bytes[k - 1] == '\r') << "lone LF at " << k;
    }
  }
}

}  // namespace
}  // namespace leafmark::test
