// Entries read where they lie in the book: the same bytes as a copy, in any pieces and from
// any position, never written, and absent names as absent as in the other look-ups.
#include "archive/entry_stream.h"

#include <gtest/gtest.h>

#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

class EntryStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFileBytes(book_, test::MakeBook(kFiles, true).Build()); }

  const std::vector<std::pair<std::string, std::string>> kFiles = {
      {"book.swf", "main movie"}, {"empty.bin", ""}, {"pages/1.png", std::string(100000, 'p') + "end"}};
  test::TTempDir dir_;
  std::string book_ = dir_.File("book.exe");
};

std::string ReadAll(TStream& stream, std::int64_t piece) {
  std::string text;
  std::vector<char> buffer(static_cast<std::size_t>(piece));
  while (const std::int64_t got = stream.Read(buffer.data(), piece)) text.append(buffer.data(), static_cast<std::size_t>(got));
  return text;
}

TEST_F(EntryStreamTest, ReadsTheEntrysBytesInAnyPieces) {
  for (const auto& [name, bytes] : kFiles) {
    for (const std::int64_t piece : {1, 7, 4096, 1 << 20}) {
      const std::unique_ptr<TStream> stream = OpenEntryStream(name, book_);
      ASSERT_NE(stream, nullptr) << name;
      EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(bytes.size())) << name;
      EXPECT_EQ(ReadAll(*stream, piece), bytes) << name << " in pieces of " << piece;
    }
  }
}

TEST_F(EntryStreamTest, SeeksLikeAFileAndIsNeverWritten) {
  const std::unique_ptr<TStream> stream = OpenEntryStream("BOOK.SWF", book_);
  ASSERT_NE(stream, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(stream->Seek(-5, TSeekOrigin::End), 5);
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "movie");
  EXPECT_EQ(stream->Seek(-10, TSeekOrigin::Current), 0);
  EXPECT_EQ(stream->Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "main");
  EXPECT_EQ(stream->Seek(100, TSeekOrigin::Beginning), 100);  // past the end: nothing to read
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
  EXPECT_THROW(stream->Seek(-1, TSeekOrigin::Beginning), EStreamError);
  EXPECT_THROW(stream->Seek(INT64_MAX, TSeekOrigin::End), EStreamError);
  EXPECT_THROW(stream->WriteBuffer("x", 1), EStreamError);
}

TEST_F(EntryStreamTest, AbsentNamesAndBrokenBooksGiveNoStream) {
  EXPECT_EQ(OpenEntryStream("missing.swf", book_), nullptr);
  EXPECT_EQ(OpenEntryStream("book.swf", dir_.File("no-such-book.exe")), nullptr);
  test::WriteFileBytes(book_, test::BytesOf("MZ and no book"));
  EXPECT_EQ(OpenEntryStream("book.swf", book_), nullptr);
}

}  // namespace
}  // namespace leafmark
