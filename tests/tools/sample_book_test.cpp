// The sample book's parts read back by independent readers: its PNG files with zlib, its main
// movie tag by tag.
#include <gtest/gtest.h>
#include <zlib.h>

#include <set>
#include <string>
#include <vector>

#include "tools/page_picture.h"
#include "tools/png_writer.h"
#include "tools/sample_book.h"

namespace leafmark::tools {
namespace {

std::uint32_t BigEndian32(const TBytes& bytes, std::size_t at) {
  return std::uint32_t{bytes.at(at)} << 24 | std::uint32_t{bytes.at(at + 1)} << 16 |
         std::uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

struct TPngChunk {
  std::string Type;
  TBytes Data;
};

// Every chunk after the signature, each one's CRC checked.
std::vector<TPngChunk> ReadChunks(const TBytes& png) {
  const TBytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(TBytes(png.begin(), png.begin() + 8), signature);
  std::vector<TPngChunk> chunks;
  for (std::size_t at = 8; at < png.size();) {
    const std::uint32_t length = BigEndian32(png, at);
    EXPECT_LE(at + 12 + length, png.size());
    if (at + 12 + length > png.size()) break;
    const std::uint8_t* typeAndData = png.data() + at + 4;
    TPngChunk chunk{std::string(typeAndData, typeAndData + 4), TBytes(typeAndData + 4, typeAndData + 4 + length)};
    const uLong crc = crc32(crc32(0, nullptr, 0), typeAndData, 4 + length);
    EXPECT_EQ(BigEndian32(png, at + 8 + length), crc) << chunk.Type;
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  return chunks;
}

// The pixels of an RGB, 8-bit, filter-0 PNG: IHDR checked against width and height.
TBytes DecodeRows(const TBytes& png, unsigned width, unsigned height) {
  const std::vector<TPngChunk> chunks = ReadChunks(png);
  EXPECT_EQ(chunks.size(), 3u);
  if (chunks.size() != 3) return {};
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(BigEndian32(chunks[0].Data, 0), width);
  EXPECT_EQ(BigEndian32(chunks[0].Data, 4), height);
  EXPECT_EQ(TBytes(chunks[0].Data.begin() + 8, chunks[0].Data.end()), (TBytes{8, 2, 0, 0, 0}));
  EXPECT_EQ(chunks[1].Type, "IDAT");
  EXPECT_EQ(chunks[2].Type, "IEND");
  EXPECT_TRUE(chunks[2].Data.empty());
  const std::size_t row = std::size_t{width} * 3;
  TBytes raw(height * (row + 1) + 1);  // one byte more, to see that nothing is left over
  uLongf size = static_cast<uLongf>(raw.size());
  EXPECT_EQ(uncompress(raw.data(), &size, chunks[1].Data.data(), static_cast<uLong>(chunks[1].Data.size())), Z_OK);
  EXPECT_EQ(size, height * (row + 1));
  TBytes pixels;
  for (unsigned y = 0; y < height && (y + 1) * (row + 1) <= size; ++y) {
    EXPECT_EQ(raw[y * (row + 1)], 0) << "filter of row " << y;
    pixels.insert(pixels.end(), raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1));
  }
  return pixels;
}

TEST(PngWriterTest, PixelsComeBackInRowOrderWithSoundChunks) {
  // Not square and every pixel different, so swapped axes or channels show.
  TRgbImage image(3, 2);
  for (unsigned y = 0; y < 2; ++y) {
    for (unsigned x = 0; x < 3; ++x) image.Fill(x, y, 1, 1, 0x102030u * (y * 3 + x + 1) + 0x010203u);
  }
  EXPECT_EQ(DecodeRows(EncodePng(image), 3, 2), image.Pixels());

  const TRgbImage page = PagePicture(7);
  EXPECT_EQ(DecodeRows(EncodePng(page), kPageWidth, kPageHeight), page.Pixels());
}

TEST(PagePictureTest, EveryPageHasItsOwnColourFrameAndNumber) {
  std::set<std::uint32_t> backgrounds;
  for (unsigned page = 1; page <= kMaxSamplePages; ++page) {
    EXPECT_TRUE(backgrounds.insert(PageBackground(page)).second) << "page " << page;
    EXPECT_NE(PageInk(page), PageBackground(page));
  }
  const TRgbImage one = PagePicture(1);
  EXPECT_EQ(one.At(0, 0), PageBackground(1));
  EXPECT_EQ(one.At(28, 300), PageInk(1)) << "the frame's left side";
  // "1" is one dot wide in its middle column, at the centre of the page; beside it is paper.
  EXPECT_EQ(one.At(400, 300), PageInk(1));
  EXPECT_EQ(one.At(340, 300), PageBackground(1));
  // Two digits are both drawn: "88" has ink left and right of the centre, at the same height.
  const TRgbImage eightyEight = PagePicture(88);
  EXPECT_EQ(eightyEight.At(400, 300), PageBackground(88)) << "the gap between the digits";
  EXPECT_EQ(eightyEight.At(260, 300), PageInk(88));
  EXPECT_EQ(eightyEight.At(540, 300), PageInk(88));
}

// The tags of a plain movie, read independently of the writer.
struct TMovieTags {
  unsigned Frames = 0;                // ShowFrame tags
  std::vector<std::string> PageUrls;  // the first string of each DoAction's GetURL
  bool Ended = false;
};

TMovieTags ReadTags(const TBytes& movie, std::size_t at) {
  TMovieTags tags;
  while (at + 2 <= movie.size() && !tags.Ended) {
    const unsigned header = movie[at] | movie[at + 1] << 8;
    at += 2;
    std::size_t length = header & 0x3F;
    if (length == 0x3F) {
      length = movie.at(at) | movie.at(at + 1) << 8 | movie.at(at + 2) << 16 | std::size_t{movie.at(at + 3)} << 24;
      at += 4;
    }
    const unsigned code = header >> 6;
    if (code == 0) tags.Ended = true;
    if (code == 1) ++tags.Frames;
    if (code == 12 && length > 3 && movie.at(at) == 0x83) {
      tags.PageUrls.emplace_back(reinterpret_cast<const char*>(movie.data() + at + 3));
    }
    at += length;
  }
  EXPECT_EQ(at, movie.size()) << "bytes after the End tag";
  return tags;
}

TEST(SampleBookMovieTest, HeaderAndFramesMatchThePages) {
  for (const unsigned pages : {1u, 7u, kMaxSamplePages}) {
    const TBytes movie = SampleBookMovie(pages);
    ASSERT_GT(movie.size(), 21u);
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS");
    EXPECT_EQ(movie[3], 8);
    EXPECT_EQ(movie[4] | movie[5] << 8 | movie[6] << 16 | std::size_t{movie[7]} << 24, movie.size());
    // RECT with 15-bit fields: 0, 16000, 0, 12000 twips (800 x 600 pixels): 9 bytes.
    EXPECT_EQ(TBytes(movie.begin() + 8, movie.begin() + 17), (TBytes{0x78, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x17, 0x70, 0x00}));
    EXPECT_EQ(movie[17] | movie[18] << 8, 12 << 8) << "12 frames a second";
    EXPECT_EQ(movie[19] | movie[20] << 8, static_cast<int>(pages)) << "frame count";

    const TMovieTags tags = ReadTags(movie, 21);
    EXPECT_TRUE(tags.Ended);
    EXPECT_EQ(tags.Frames, pages);
    ASSERT_EQ(tags.PageUrls.size(), pages);
    for (unsigned page = 1; page <= pages; ++page) {
      EXPECT_EQ(tags.PageUrls[page - 1], "pages/" + std::to_string(page) + ".png");
    }
  }
  EXPECT_THROW(SampleBookMovie(0), std::invalid_argument);
  EXPECT_THROW(SampleBookMovie(kMaxSamplePages + 1), std::invalid_argument);
}

}  // namespace
}  // namespace leafmark::tools
