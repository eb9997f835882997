#include "base/stream.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <vector>

#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

TEST(MemoryStreamTest, SeekPastEndThenWriteFillsTheGapWithZeros) {
  TMemoryStream stream;
  stream.WriteBuffer("ab", 2);
  stream.Seek(2, TSeekOrigin::Current);
  stream.WriteBuffer("c", 1);
  EXPECT_EQ(stream.Text(), std::string("ab\0\0c", 5));
  EXPECT_EQ(stream.Position(), 5);
}

TEST(MemoryStreamTest, ReadBufferFailsOnShortReadAndSeekBeforeStartFails) {
  TMemoryStream stream({1, 2, 3});
  char buffer[4];
  EXPECT_THROW(stream.ReadBuffer(buffer, 4), EStreamError);
  EXPECT_THROW(stream.Seek(-1, TSeekOrigin::Beginning), EStreamError);
  stream.Seek(-2, TSeekOrigin::End);
  EXPECT_EQ(stream.Read(buffer, 4), 2);
  EXPECT_EQ(stream.Read(buffer, 4), 0);
}

// Positions and counts arrive unchecked from callers (a runtime's SetFilePointer and WriteFile
// values); any that would overflow a 64-bit position or cannot be held in memory are refused
// with the stream's own error and leave position and content as they were.
TEST(MemoryStreamTest, RefusesPositionsThatOverflowOrCannotBeHeld) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  enum class TOp { Seek, Write, SetSize };
  struct TCase {
    const char* Name;
    std::int64_t Start;  // position set before the operation
    TOp Op;
    std::int64_t Amount;  // the seek's offset, the write's count or the new size
    TSeekOrigin Origin;
    const char* Message;
  };
  std::vector<TCase> cases = {
      {"seek one past the largest position", kMax, TOp::Seek, 1, TSeekOrigin::Current,
       "Stream seek error"},
      {"seek by the largest offset from inside", 1, TOp::Seek, kMax, TSeekOrigin::Current,
       "Stream seek error"},
      {"seek by the largest offset from the end", 0, TOp::Seek, kMax, TSeekOrigin::End,
       "Stream seek error"},
      {"write at the largest position", kMax, TOp::Write, 1, TSeekOrigin::Beginning,
       "Stream write error"},
      {"write whose end passes the largest position", kMax - 1, TOp::Write, 2,
       TSeekOrigin::Beginning, "Stream write error"},
  };
  if constexpr (sizeof(std::size_t) < sizeof(std::int64_t)) {
    // Cut to a 32-bit size, this end would be 1: a one-byte buffer, written at a wrapped address.
    cases.push_back({"write whose end passes the address space", std::int64_t{1} << 32, TOp::Write,
                     1, TSeekOrigin::Beginning, "Stream write error"});
    cases.push_back({"write ending just past the address space", (std::int64_t{1} << 32) - 1,
                     TOp::Write, 2, TSeekOrigin::Beginning, "Stream write error"});
    cases.push_back({"size past the address space", 1, TOp::SetSize, (std::int64_t{1} << 32) + 1,
                     TSeekOrigin::Beginning, "Stream size error"});
  }
#ifdef _WIN32
  // The allocation itself fails (the host's AddressSanitizer aborts on such a request instead).
  cases.push_back({"write too far out to allocate", std::int64_t{1} << 62, TOp::Write, 1,
                   TSeekOrigin::Beginning, "Stream write error"});
  cases.push_back({"size too large to allocate", 1, TOp::SetSize, std::int64_t{1} << 62,
                   TSeekOrigin::Beginning, "Stream size error"});
#endif
  for (const auto& c : cases) {
    TMemoryStream stream({'a', 'b', 'c'});
    stream.Seek(c.Start, TSeekOrigin::Beginning);
    const char bytes[2] = {'x', 'y'};
    try {
      switch (c.Op) {
        case TOp::Seek: stream.Seek(c.Amount, c.Origin); break;
        case TOp::Write: stream.Write(bytes, c.Amount); break;
        case TOp::SetSize: stream.SetSize(c.Amount); break;
      }
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const EStreamError& error) {
      EXPECT_STREQ(error.what(), c.Message) << c.Name;
    }
    EXPECT_EQ(stream.Position(), c.Start) << c.Name;
    EXPECT_EQ(stream.Text(), "abc") << c.Name;
  }
}

TEST(FileStreamTest, WritesReadsAndReportsTheNameOfAFileItCannotOpen) {
  test::TTempDir dir;
  const std::string name = dir.File("data.bin");
  {
    TFileStream out(name, TFileStream::TMode::Create);
    out.WriteBuffer("hello", 5);
  }
  TFileStream in(name, TFileStream::TMode::Read);
  EXPECT_EQ(in.Size(), 5);
  in.Seek(-3, TSeekOrigin::End);
  char buffer[3];
  in.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "llo");

  try {
    TFileStream missing(dir.File("missing.bin"), TFileStream::TMode::Read);
    FAIL() << "opened a file that does not exist";
  } catch (const EStreamError& error) {
    EXPECT_NE(std::string(error.what()).find("missing.bin"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace leafmark
