#include "base/stream.h"

#include <gtest/gtest.h>

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
