// The trailer is untrusted: every way it can lie must end in the broken-trailer failure,
// before anything is allocated or read on the strength of its values.
#include "archive/extent_layout.h"

#include <gtest/gtest.h>

#include <functional>

#include "archive/extent_writer.h"
#include "tests/support/archive_builder.h"

namespace leafmark {
namespace {

using test::BytesOf;
using test::MakeBook;
using test::TBytes;
using test::TRawBook;

TRawBook TwoFileBook(bool digest) { return MakeBook({{"book.swf", "movie"}, {"a.txt", "text"}}, digest); }
std::int32_t IndexSize(const TRawBook& book) { return static_cast<std::int32_t>(book.Index.size()); }

struct TBrokenTrailerCase {
  const char* what;
  std::function<TBytes()> build;
};

TEST(ExtentLayoutTest, TrailersThatCannotDescribeTheirFileAreBroken) {
  const TBrokenTrailerCase cases[] = {
      {"no extent section at all", [] { return BytesOf("MZ just a player, no archive here"); }},
      {"file shorter than a trailer", [] { return BytesOf("MZ"); }},
      {"check value differs", [] { auto b = TwoFileBook(false); b.Check = 1; return b.Build(); }},
      {"X larger than the file", [] { auto b = TwoFileBook(false); b.X = 100000; return b.Build(); }},
      {"X smaller than a trailer", [] { auto b = TwoFileBook(false); b.X = 12; return b.Build(); }},
      {"X negative", [] { auto b = TwoFileBook(false); b.X = 0x80000010u; return b.Build(); }},
      {"N negative", [] { auto b = TwoFileBook(false); b.N = -1; return b.Build(); }},
      {"N far too large for X", [] { auto b = TwoFileBook(false); b.N = 0x7FFFFFFF; return b.Build(); }},
      {"N one more than the size table holds", [] { TRawBook b; b.Sizes = std::vector<std::int32_t>{0, 0}; b.N = 3; return b.Build(); }},
      {"a size negative", [] { auto b = TwoFileBook(false); b.Sizes = std::vector<std::int32_t>{18, -5, 4}; return b.Build(); }},
      {"sizes adding up past X", [] { auto b = TwoFileBook(false); b.Sizes = std::vector<std::int32_t>{18, 0x7FFFFFF0, 4}; return b.Build(); }},
      {"sizes one byte past X", [] { auto b = TwoFileBook(false); b.Sizes = std::vector<std::int32_t>{IndexSize(b) + 1, 5, 4}; return b.Build(); }},
      {"digest flag without room for the digest", [] { auto b = TwoFileBook(false); b.Flag = 1; return b.Build(); }},
  };
  for (const TBrokenTrailerCase& c : cases) {
    TMemoryStream stream(c.build());
    try {
      ReadExtentLayout(stream);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const EExtentError& error) {
      EXPECT_STREQ(error.what(), kNoExtentSectionMessage) << c.what;
    }
  }
}

TEST(ExtentLayoutTest, ReadsTheLayoutOfAWellFormedSection) {
  const TRawBook book = TwoFileBook(true);
  TMemoryStream stream(book.Build());
  const TExtentLayout layout = ReadExtentLayout(stream);
  EXPECT_EQ(layout.Count, 3);
  EXPECT_EQ(layout.DataStart, static_cast<std::int64_t>(book.Prefix.size()));
  EXPECT_EQ(layout.Sizes, (std::vector<std::int32_t>{IndexSize(book), 5, 4}));
  EXPECT_EQ(layout.CoveredLength(), layout.EntryBytes());
  EXPECT_NO_THROW(VerifyExtentDigest(stream, layout));
}

TEST(ExtentLayoutTest, NoEntriesAndAnEmptyCoveredLengthAreLegal) {
  TRawBook empty;
  empty.Sizes = std::vector<std::int32_t>{};
  empty.N = 0;
  TMemoryStream none(empty.Build());
  EXPECT_EQ(ReadExtentLayout(none).Count, 0);

  // An index of no bytes with a digest: nothing is covered, and the digest is 16 zero bytes.
  TRawBook zero;
  zero.Digest = true;
  zero.StoredDigest = TBytes(16, 0);
  TMemoryStream covered(zero.Build());
  const TExtentLayout layout = ReadExtentLayout(covered);
  EXPECT_EQ(layout.CoveredLength(), 0);
  EXPECT_NO_THROW(VerifyExtentDigest(covered, layout));
}

TEST(ExtentLayoutTest, TheWriterProducesExactlyTheBytesOfAnIndependentBuilder) {
  for (bool digest : {false, true}) {
    const TRawBook book = TwoFileBook(digest);
    TMemoryStream written;
    written.WriteBuffer(book.Prefix.data(), static_cast<std::int64_t>(book.Prefix.size()));
    TExtentWriter writer(written, digest);
    writer.AddEntry(book.Index.data(), static_cast<std::int64_t>(book.Index.size()));
    for (const TBytes& file : book.Files) {
      TMemoryStream source(file);
      writer.AddEntry(source, static_cast<std::int64_t>(file.size()));
    }
    const std::int64_t x = writer.Finish();
    EXPECT_EQ(written.Bytes(), book.Build()) << "digest " << digest;
    EXPECT_EQ(x, written.Size() - static_cast<std::int64_t>(book.Prefix.size()));
  }
}

}  // namespace
}  // namespace leafmark
