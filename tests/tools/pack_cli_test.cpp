#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "archive/entry_lookup.h"
#include "archive/exe_ext_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

namespace fs = std::filesystem;
using test::BytesOf;
using test::TBytes;

// The packer's output, standard output and error together, and its exit code.
struct TPackRun {
  int exitCode = -1;
  std::string output;
};

TPackRun Pack(const std::string& arguments) {
  const test::TRun run = test::RunProgram(std::string(LEAFMARK_PACK) + " " + arguments);
  return {run.ExitCode, run.Both()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PackCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFileBytes(Player(), BytesOf("MZ pretend player image"));
    AddFile("book.swf", "main movie");
    AddFile("ExeConfig.xml", "<config/>");
    AddFile("files/large/1.swf", "page one");
    AddFile("files/thumb/1.jpg", "");
  }
  void AddFile(const std::string& name, const std::string& content) {
    const fs::path path = fs::path(Dir()) / name;
    fs::create_directories(path.parent_path());
    test::WriteFileText(path.string(), content);
  }
  std::string Player() const { return tmp_.File("player.exe"); }
  std::string Dir() const { return tmp_.File("book"); }
  std::string Out() const { return tmp_.File("out.exe"); }
  std::string Create(const std::string& extra = "") const {
    return "create --player " + Player() + " --out " + Out() + " " + extra + " " + Dir();
  }
  test::TTempDir tmp_;
};

TEST_F(PackCliTest, BooksItWritesAreReadBackByTheReaderWithAndWithoutDigest) {
  for (const char* digest : {"", "--digest"}) {
    const TPackRun run = Pack(Create(digest));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const TExeExtReader reader(Out());
    EXPECT_EQ(reader.ReadEntryText(0),
              "book.swf=1\r\nExeConfig.xml=2\r\nfiles/large/1.swf=3\r\nfiles/thumb/1.jpg=4\r\n");
    EXPECT_EQ(ReadEntryToMemory("FILES/LARGE/1.SWF", Out())->Text(), "page one");
    EXPECT_EQ(ReadEntryToMemory("files/thumb/1.jpg", Out())->Size(), 0);
    const TBytes book = test::ReadFileBytes(Out());
    EXPECT_EQ(std::string(book.begin(), book.begin() + 23), "MZ pretend player image");

    const TPackRun verify = Pack("verify " + Out());
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    const TPackRun list = Pack("list " + Out());
    EXPECT_EQ(list.exitCode, 0) << list.output;
    EXPECT_TRUE(Contains(list.output, *digest ? "digest: verified" : "digest: none")) << list.output;
    EXPECT_TRUE(Contains(list.output, "3            8  files/large/1.swf")) << list.output;
  }
}

TEST_F(PackCliTest, BooksOfAnIndependentWriterAreListedVerifiedAndExtracted) {
  test::WriteFileBytes(Out(), test::MakeBook({{"b.swf", "bee"}, {"dir/a.txt", "ay"}}, true).Build());
  EXPECT_EQ(Pack("verify " + Out()).exitCode, 0);
  const TPackRun run = Pack("extract " + Out() + " --to " + tmp_.File("x"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(test::ReadFileBytes(tmp_.File("x/dir/a.txt")), BytesOf("ay"));
}

TEST_F(PackCliTest, RefusedInputsNameTheFileAndLeaveNothingBehind) {
  const struct {
    const char* file;
    const char* expected;
  } cases[] = {
      {"a=b.txt", "a=b.txt"},
      {"caf\xc3\xa9.jpg", "caf"},
      {"line\nbreak.txt", "break.txt"},
      {"BOOK.SWF", "book.swf"},
  };
  for (const auto& c : cases) {
    AddFile(c.file, "x");
    test::WriteFileText(Out(), "an earlier book");
    const TPackRun run = Pack(Create());
    EXPECT_EQ(run.exitCode, 1) << c.file << ": " << run.output;
    EXPECT_TRUE(Contains(run.output, c.expected)) << c.file << ": " << run.output;
    EXPECT_EQ(test::ReadFileBytes(Out()), BytesOf("an earlier book")) << c.file;
    fs::remove(fs::path(Dir()) / c.file);
    for (const auto& entry : fs::directory_iterator(tmp_.Path())) {
      EXPECT_FALSE(Contains(entry.path().filename().string(), "partial")) << entry.path();
    }
  }
}

TEST_F(PackCliTest, TheRuntimeIsStoredAsFlashOcxAndMayNotCollideWithABookFile) {
  // The runtime must be a DLL of the player's machine: a real x86 DLL stands in for both.
  const TBytes runtime = test::ReadFileBytes("/usr/i686-w64-mingw32/lib/zlib1.dll");
  test::WriteFileBytes(Player(), runtime);
  test::WriteFileBytes(tmp_.File("runtime.dll"), runtime);
  ASSERT_EQ(Pack(Create("--runtime " + tmp_.File("runtime.dll"))).exitCode, 0);
  EXPECT_EQ(ReadEntryToMemory("flash.ocx", Out())->Bytes(), runtime);

  AddFile("Flash.OCX", "another");
  const TPackRun run = Pack(Create("--runtime " + tmp_.File("runtime.dll")));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.output, "Flash.OCX")) << run.output;
}

TEST_F(PackCliTest, APlayerThatAlreadyCarriesABookIsTakenWithoutIt) {
  ASSERT_EQ(Pack(Create()).exitCode, 0);
  fs::copy_file(Out(), tmp_.File("carrying.exe"));
  const TPackRun run = Pack("create --player " + tmp_.File("carrying.exe") + " --out " + Out() + " " + Dir());
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "left out")) << run.output;
  EXPECT_EQ(TExeExtReader(Out()).DataStart, 23);
}

TEST_F(PackCliTest, ABookOfTwoGibibytesOrMoreIsRefusedBeforeWriting) {
  // A sparse file: large to the packer, nothing on disk.
  const std::string big = tmp_.File("book/huge.bin");
  test::WriteFileText(big, "");
  fs::resize_file(big, 0x7FFFFFF0);
  const TPackRun run = Pack(Create());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.output, "2 GiB")) << run.output;
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(PackCliTest, VerifyAndListReportEachFault) {
  test::TRawBook digestWrong = test::MakeBook({{"a", "A"}}, true);
  digestWrong.StoredDigest = TBytes(16, 7);
  test::TRawBook badLine = test::MakeBook({{"a", "A"}});
  badLine.Index += "ghost=5\r\n";
  test::TRawBook slack = test::MakeBook({{"a", "A"}});
  slack.Sizes = std::vector<std::int32_t>{0, 1};  // the index's bytes are left over
  const struct {
    const char* what;
    TBytes bytes;
    const char* reason;
  } cases[] = {
      {"no archive", BytesOf("MZ plain"), "Can not find extent section"},
      {"digest differs", digestWrong.Build(), "Content Valid failed!"},
      {"index line names no entry", badLine.Build(), "ghost=5"},
      {"size table leaves bytes over", slack.Build(), "size table"},
  };
  for (const auto& c : cases) {
    test::WriteFileBytes(Out(), c.bytes);
    const TPackRun run = Pack("verify " + Out());
    EXPECT_EQ(run.exitCode, 1) << c.what;
    EXPECT_TRUE(Contains(run.output, c.reason)) << c.what << ": " << run.output;
  }
  test::WriteFileBytes(Out(), digestWrong.Build());
  const TPackRun list = Pack("list " + Out());
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_TRUE(Contains(list.output, "digest: MISMATCH")) << list.output;
}

TEST_F(PackCliTest, ExtractSkipsNamesThatWouldLandOutsideTheTarget) {
  test::TRawBook book = test::MakeBook({{"../escape.txt", "1"}, {"/abs.txt", "2"}, {"C:/drive.txt", "3"},
                                        {"a/../../up.txt", "4"}, {"fine/ok.txt", "5"}});
  test::WriteFileBytes(Out(), book.Build());
  const std::string target = tmp_.File("target/inner");
  const TPackRun run = Pack("extract " + Out() + " --to " + target);
  EXPECT_EQ(run.exitCode, 1);
  for (const char* name : {"../escape.txt", "/abs.txt", "C:/drive.txt", "a/../../up.txt"}) {
    EXPECT_TRUE(Contains(run.output, std::string("skipped \"") + name)) << run.output;
  }
  EXPECT_EQ(test::ReadFileBytes(target + "/fine/ok.txt"), BytesOf("5"));
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(tmp_.File("target"))) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);

  const TPackRun named = Pack("extract " + Out() + " --to " + tmp_.File("named") + " FINE/OK.TXT missing.txt");
  EXPECT_EQ(named.exitCode, 1);
  EXPECT_TRUE(Contains(named.output, "not found: \"missing.txt\"")) << named.output;
  EXPECT_TRUE(fs::exists(tmp_.File("named/fine/ok.txt")));
}

TEST_F(PackCliTest, UsageErrorsExitWithTwoAndHelpWithZero) {
  const struct {
    const char* args;
    int exitCode;
  } cases[] = {
      {"", 2},
      {"frobnicate", 2},
      {"create --out x.exe dir", 2},
      {"create --player p.exe --out x.exe --bogus dir", 2},
      {"list", 2},
      {"verify a b", 2},
      {"extract book.exe", 2},
      {"--help", 0},
      {"create --help", 0},
      {"list --help", 0},
      {"extract --help", 0},
      {"verify --help", 0},
      {"inspect --help", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Pack(c.args).exitCode, c.exitCode) << c.args;
  EXPECT_EQ(Pack("list " + tmp_.File("missing.exe")).exitCode, 1);
}

}  // namespace
}  // namespace leafmark
