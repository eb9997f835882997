// The reader and the lookups over real files, as the player uses them.
#include "archive/exe_ext_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "archive/entry_lookup.h"
#include "base/platform_files.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

using test::BytesOf;
using test::MakeBook;
using test::TBytes;
using test::TRawBook;

class ExeExtReaderTest : public ::testing::Test {
 protected:
  std::string Write(const TBytes& bytes, const std::string& name = "book.exe") {
    const std::string path = dir_.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }
  test::TTempDir dir_;
};

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"book.swf", "main movie"}, {"ExeConfig.xml", "<config/>"}, {"empty.bin", ""}, {"files/large/1.swf", "page"}};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

TEST_F(ExeExtReaderTest, ReadsTheSameEntriesWithAndWithoutDigest) {
  for (bool digest : {false, true}) {
    const std::string book = Write(MakeBook(kFiles, digest).Build());
    const TExeExtReader reader(book);
    ASSERT_EQ(reader.Count, 5);
    for (std::size_t k = 0; k < kFiles.size(); ++k) {
      EXPECT_EQ(reader.ReadEntryText(static_cast<std::int32_t>(k + 1)), kFiles[k].second);
      const auto memory = ReadEntryToMemory(kFiles[k].first, book);
      ASSERT_NE(memory, nullptr) << kFiles[k].first;
      EXPECT_EQ(memory->Text(), kFiles[k].second);
      EXPECT_EQ(memory->Position(), memory->Size());
    }
    EXPECT_EQ(GetEntryNumber("book.swf", book), 1);
    EXPECT_EQ(GetEntryNumber("Book.SWF", book), 1);
    EXPECT_EQ(GetEntryNumber("FILES/Large/1.swf", book), 4);
    EXPECT_EQ(GetEntryNumber("missing.swf", book), 0);
    EXPECT_EQ(reader.ReadEntryText(0), MakeBook(kFiles).Index);
  }
}

TEST_F(ExeExtReaderTest, ReaderFailuresCarryTheirMessagesAndLookupsSeeAnAbsentName) {
  const TRawBook signed_ = MakeBook(kFiles, true);
  TBytes tampered = signed_.Build();
  tampered[signed_.Prefix.size() + signed_.Index.size() + 2] ^= 0x20;  // inside "main movie"

  const struct {
    const char* what;
    TBytes bytes;
    const char* message;
  } cases[] = {
      {"bare player", BytesOf("MZ player without archive"), kNoExtentSectionMessage},
      {"one entry byte changed under a digest", tampered, kContentInvalidMessage},
  };
  for (const auto& c : cases) {
    const std::string book = Write(c.bytes);
    EXPECT_EQ(ErrorOf([&] { TExeExtReader reader(book); }), c.message) << c.what;
    EXPECT_EQ(GetEntryNumber("book.swf", book), 0) << c.what;
    EXPECT_EQ(ReadEntryToMemory("book.swf", book), nullptr) << c.what;
    TMemoryStream target;
    ReadEntryToStream("book.swf", target, book);
    EXPECT_EQ(target.Size(), 0) << c.what;
  }
}

TEST_F(ExeExtReaderTest, WithoutDigestAChangedByteGoesUnnoticed) {
  TRawBook book = MakeBook(kFiles, false);
  book.Files[0][0] = 'M';
  EXPECT_EQ(ReadEntryToMemory("book.swf", Write(book.Build()))->Text(), "Main movie");
}

TEST_F(ExeExtReaderTest, IndexLinesThatNameNoStoredEntryMakeTheirNameAbsent) {
  TRawBook book = MakeBook({{"a", "A"}, {"b", "B"}});
  book.Index = "zero=0\r\nword=abc\r\nnegative=-1\r\npast=3\r\nfar=99\r\na=1\r\nb=2\r\n";
  const std::string path = Write(book.Build());
  for (const char* name : {"zero", "word", "negative", "past", "far"}) {
    EXPECT_EQ(GetEntryNumber(name, path), 0) << name;
    EXPECT_EQ(ReadEntryToMemory(name, path), nullptr) << name;
  }
  EXPECT_EQ(GetEntryNumber("b", path), 2);
}

TEST_F(ExeExtReaderTest, IndexOnlyArchiveAndEntryBoundsGiveErrorIndex) {
  TRawBook indexOnly;
  indexOnly.Index = "book.swf=1\r\n";
  const TExeExtReader reader(Write(indexOnly.Build()));
  EXPECT_EQ(reader.Count, 1);
  EXPECT_EQ(reader.ReadEntryText(0), "book.swf=1\r\n");
  EXPECT_EQ(GetEntryNumber("book.swf", reader.FileName), 0);
  TMemoryStream sink;
  EXPECT_EQ(ErrorOf([&] { reader.ReadEntry(1, sink); }), kErrorIndexMessage);
  EXPECT_EQ(ErrorOf([&] { reader.ReadEntry(-1, sink); }), kErrorIndexMessage);
}

TEST_F(ExeExtReaderTest, AMissingFileGivesAnEmptyReader) {
  const TExeExtReader reader(dir_.File("no-such-book.exe"));
  EXPECT_EQ(reader.Count, 0);
  TMemoryStream sink;
  EXPECT_EQ(ErrorOf([&] { reader.ReadEntry(0, sink); }), kErrorIndexMessage);
  EXPECT_EQ(GetEntryNumber("book.swf", reader.FileName), 0);
}

TEST_F(ExeExtReaderTest, ABlankNameMeansTheProgramsOwnExecutable) {
  for (const char* blank : {"", "   ", "\t \r\n"}) {
    // The test program carries no archive, so its own trailer is missing.
    EXPECT_EQ(ErrorOf([&] { TExeExtReader reader(blank); }), kNoExtentSectionMessage);
  }
  EXPECT_EQ(GetEntryNumber("book.swf"), 0);
  EXPECT_FALSE(OwnExecutablePath().empty());
  EXPECT_TRUE(FileExists(OwnExecutablePath()));
}

// Counts the writes a copy makes, so the buffer's passes can be seen.
class TCountingStream final : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    writes.push_back(count);
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  std::vector<std::int64_t> writes;
};

TEST_F(ExeExtReaderTest, EntriesLargerThanTheCopyBufferAreCopiedInPasses) {
  TRawBook book;
  book.Index = "big.bin=1\r\nempty.bin=2\r\n";
  book.Files = {TBytes(static_cast<std::size_t>(kEntryCopyBufferLimit) + 1, 0x5A), TBytes{}};
  const TExeExtReader reader(Write(book.Build()));
  TCountingStream big;
  reader.ReadEntry(1, big);
  EXPECT_EQ(big.writes, (std::vector<std::int64_t>{62914560, 1}));
  TCountingStream empty;
  reader.ReadEntry(2, empty);
  EXPECT_TRUE(empty.writes.empty());
}

}  // namespace
}  // namespace leafmark
