// leafmark-sample-book driven as a program: what it writes, what it refuses, its exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

namespace fs = std::filesystem;

test::TRun SampleBook(const std::string& arguments) {
  return test::RunProgram(std::string(LEAFMARK_SAMPLE_BOOK) + " " + arguments);
}

std::set<std::string> FilesBelow(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), dir).generic_string());
  }
  return names;
}

std::string ReadText(const std::string& name) {
  const auto bytes = test::ReadFileBytes(name);
  return std::string(bytes.begin(), bytes.end());
}

TEST(SampleBookCliTest, WritesTheBookAndReplacesItOnlyWhenForced) {
  const test::TTempDir tmp;
  const std::string dir = tmp.File("book");
  const test::TRun run = SampleBook("--to " + dir + " --pages 3 --caption 'Pages ]]> & more'");
  ASSERT_EQ(run.ExitCode, 0) << run.Both();
  EXPECT_EQ(FilesBelow(dir),
            (std::set<std::string>{"ExeConfig.xml", "book.swf", "pages/1.png", "pages/2.png", "pages/3.png"}));
  EXPECT_NE(ReadText(dir + "/ExeConfig.xml")
                .find("<ExeCaption><![CDATA[Pages ]]]]><![CDATA[> & more]]></ExeCaption>"),
            std::string::npos)
      << ReadText(dir + "/ExeConfig.xml");

  // The folder is no longer empty: refused, and nothing changes.
  test::WriteFileText(dir + "/notes.txt", "mine");
  const auto movieBefore = test::ReadFileBytes(dir + "/book.swf");
  const test::TRun again = SampleBook("--to " + dir + " --pages 2");
  EXPECT_EQ(again.ExitCode, 1) << again.Both();
  EXPECT_NE(again.Err.find(dir), std::string::npos) << again.Err;
  EXPECT_EQ(test::ReadFileBytes(dir + "/book.swf"), movieBefore);
  EXPECT_EQ(FilesBelow(dir).size(), 6u);

  // Forced: a shorter book loses its last page, and the folder's other files stay.
  const test::TRun forced = SampleBook("--to " + dir + " --pages 2 --force");
  ASSERT_EQ(forced.ExitCode, 0) << forced.Both();
  EXPECT_EQ(FilesBelow(dir),
            (std::set<std::string>{"ExeConfig.xml", "book.swf", "notes.txt", "pages/1.png", "pages/2.png"}));
  EXPECT_NE(test::ReadFileBytes(dir + "/book.swf"), movieBefore);
  EXPECT_NE(ReadText(dir + "/ExeConfig.xml").find("<![CDATA[Leafmark sample book]]>"), std::string::npos);
}

TEST(SampleBookCliTest, RefusesBadArgumentsAndUnusableFoldersWithoutWriting) {
  const test::TTempDir tmp;
  test::WriteFileText(tmp.File("a-file"), "not a folder");
  const std::string fresh = tmp.File("fresh");
  struct TCase {
    std::string Arguments;
    int ExitCode;
    std::string Says;  // in standard error
  };
  const TCase cases[] = {
      {"", 2, "--to DIR is missing"},
      {"--pages 3", 2, "--to DIR is missing"},
      {"--to", 2, "--to needs a value"},
      {"--to " + fresh + " --pages 0", 2, "1 to 99"},
      {"--to " + fresh + " --pages 100", 2, "1 to 99"},
      {"--to " + fresh + " --pages +5", 2, "1 to 99"},
      {"--to " + fresh + " --pages five", 2, "1 to 99"},
      {"--to " + fresh + " --pages 2 --pages 3", 2, "twice"},
      {"--to " + fresh + " --colour red", 2, "unknown argument \"--colour\""},
      {"--to " + fresh + " --caption \"$(printf 'a\\tb\\001')\"", 2, "control character"},
      {"--to " + fresh + " --caption \"$(printf 'caf\\351')\"", 2, "not UTF-8"},
      {"--to " + tmp.File("a-file"), 1, "\"" + tmp.File("a-file") + "\" is not a folder"},
      {"--to " + tmp.File("a-file") + "/book", 1, tmp.File("a-file")},
  };
  for (const TCase& c : cases) {
    const test::TRun run = SampleBook(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Arguments << "\n" << run.Both();
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << c.Arguments << "\n" << run.Err;
  }
  EXPECT_FALSE(fs::exists(fresh));

  const test::TRun help = SampleBook("--help");
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find("--pages N"), std::string::npos);
}

}  // namespace
}  // namespace leafmark
