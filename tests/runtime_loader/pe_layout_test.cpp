// Headers, section layout and relocation of PE32 and PE32+ images.
#include <gtest/gtest.h>

#include "base/stream.h"
#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_file_image.h"
#include "tests/runtime_loader/placed_image.h"

namespace leafmark::test {
namespace {

class PeLayoutTest : public ::testing::TestWithParam<bool> {
 protected:
  bool Is64() const { return GetParam(); }
};

// A named function rather than a lambda: the macro wraps the generator in a function whose
// parameter is "info", and GCC's -Wshadow flags a lambda parameter of that name inside it.
std::string FormatName(const ::testing::TestParamInfo<bool>& format) {
  return format.param ? "Pe32Plus" : "Pe32";
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeLayoutTest, ::testing::Bool(), FormatName);

TEST_P(PeLayoutTest, HeadersAreReadFromBothFormats) {
  TPeWriter writer(Is64());
  writer.EntryPoint = writer.Reserve(16);
  const auto h = pe::ParsePeHeaders(writer.Build());
  EXPECT_EQ(h.Is64, Is64());
  EXPECT_EQ(h.Machine, Is64() ? pe::kMachineAmd64 : pe::kMachineI386);
  EXPECT_EQ(h.ImageBase, writer.ImageBase);
  EXPECT_EQ(h.AddressOfEntryPoint, writer.EntryPoint);
  EXPECT_TRUE(h.IsDll());
  ASSERT_EQ(h.Sections.size(), 1u);
  EXPECT_EQ(h.Sections[0].Name, ".data");
}

// VirtualSize bounds the copy; the rest of the virtual span is zero; VirtualSize 0 means the
// raw size (as the system loader treats it).
TEST_P(PeLayoutTest, SectionsReceiveMinOfVirtualAndRawSizeAndZerosBeyond) {
  TPeWriter writer(Is64());
  writer.ExtraSections = {
      {"longraw", 0x2000, 0x10, TBytes(0x40, 0xAA)},   // raw exceeds VirtualSize
      {"longvirt", 0x3000, 0x800, TBytes(0x20, 0xBB)},  // VirtualSize exceeds raw
      {"novirt", 0x4000, 0, TBytes(0x30, 0xCC)},
      {"bss", 0x5000, 0x100, {}},
  };
  const TPlacedImage placed = Place(writer.Build());
  const auto& image = placed.Image;
  EXPECT_EQ(image[0], 'M');
  EXPECT_EQ(image[0x2000 + 0x0F], 0xAA);
  EXPECT_EQ(image[0x2000 + 0x10], 0x00);
  EXPECT_EQ(image[0x3000 + 0x1F], 0xBB);
  for (std::uint32_t i = 0x20; i < 0x800; ++i) ASSERT_EQ(image[0x3000 + i], 0) << i;
  EXPECT_EQ(image[0x4000 + 0x2F], 0xCC);
  EXPECT_EQ(image[0x4000 + 0x30], 0x00);
  EXPECT_EQ(image[0x5000], 0x00);
}

TEST_P(PeLayoutTest, LayoutClearsWhateverTheBufferHeld) {
  TPeWriter writer(Is64());
  writer.ExtraSections = {{"short", 0x2000, 0x100, TBytes(4, 1)}};
  const TBytes file = writer.Build();
  const auto h = pe::ParsePeHeaders(file);
  std::vector<std::uint8_t> image(h.SizeOfImage, 0xEE);
  pe::LayOutImage(file, h, image);
  EXPECT_EQ(image[0x2004], 0);
  EXPECT_EQ(image[h.SizeOfImage - 1], 0);
}

// Fix-up words at 0x2000.. of a second section: relocation moves exactly the ones named.
struct TRelocFixture {
  TBytes File;
  std::uint64_t ImageBase = 0;
};

TRelocFixture RelocationFixture(bool is64) {
  TPeWriter writer(is64);
  TBytes words(0x40, 0);
  auto put64 = [&](std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) words[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put64(0x00, writer.ImageBase + 0x2000);  // HIGHLOW (3) target, or DIR64 (10) in PE32+
  put64(0x10, 0x11111111);                 // type 0: never touched
  put64(0x20, 0x22222222);                 // type 1 (HIGH): a full 32-bit fix-up here
  put64(0x30, 0x33333333);                 // not named at all
  writer.ExtraSections = {{"words", 0x2000, 0x40, words}};
  const std::uint16_t first = is64 ? (10 << 12) : (3 << 12);
  writer.AddRelocations({{0x2000, {static_cast<std::uint16_t>(first | 0x00), 0 << 12 | 0x10, 1 << 12 | 0x20, 0}}});
  return {writer.Build(), writer.ImageBase};
}

TEST_P(PeLayoutTest, RelocationAppliesEveryNonZeroTypeAndSkipsAbsolute) {
  const auto fixture = RelocationFixture(Is64());
  // A delta above 4 GB shows the 64-bit fix-up; PE32 takes it modulo 2^32.
  const std::uint64_t delta = Is64() ? 0x123450000ull : 0x00450000ull;
  const TPlacedImage placed = PlaceAt(fixture.File, fixture.ImageBase + delta);
  if (Is64()) {
    EXPECT_EQ(placed.U64(0x2000), fixture.ImageBase + 0x2000 + delta);
  } else {
    EXPECT_EQ(placed.U32(0x2000), static_cast<std::uint32_t>(fixture.ImageBase + 0x2000 + delta));
  }
  EXPECT_EQ(placed.U64(0x2010), 0x11111111u);
  EXPECT_EQ(placed.U64(0x2020), 0x22222222u + static_cast<std::uint32_t>(delta));
  EXPECT_EQ(placed.U64(0x2030), 0x33333333u);
}

TEST_P(PeLayoutTest, PlacedAtImageBaseTheImageIsUnchanged) {
  const auto fixture = RelocationFixture(Is64());
  EXPECT_EQ(PlaceAt(fixture.File, fixture.ImageBase).Image, Place(fixture.File).Image);
}

TEST(PeLayoutTest, Pe32RelocationWrapsAt32Bits) {
  TPeWriter writer(false);
  writer.ImageBase = 0x10000000;
  writer.ExtraSections = {{"w", 0x2000, 8, {0xF0, 0xFF, 0xFF, 0xFF}}};
  writer.AddRelocations({{0x2000, {3 << 12}}});
  EXPECT_EQ(PlaceAt(writer.Build(), 0x10000020).U32(0x2000), 0x10u);
}

TEST_P(PeLayoutTest, RefusesBrokenRelocationTables) {
  struct TCase {
    const char* Name;
    std::vector<TPeWriter::TRelocBlock> Blocks;
    int SizeOfBlock;  // overrides the first block's size when >= 0
    const char* Field;
  };
  const TCase cases[] = {
      {"target outside the image", {{0x7FFF0, {3 << 12 | 0x0FF0}}}, -1, "relocation target"},
      {"block shorter than its header", {{0x1000, {}}}, 4, "SizeOfBlock"},
      {"entries run off the image", {{0x1000, {3 << 12}}}, 0x7FFFFFF0, "relocation entry"},
  };
  for (const auto& c : cases) {
    TPeWriter writer(Is64());
    writer.AddRelocations(c.Blocks);
    TBytes file = writer.Build();
    if (c.SizeOfBlock >= 0) {
      const auto h = pe::ParsePeHeaders(file);
      const std::uint32_t blockFileOffset =
          h.Directories[pe::kDirBaseReloc].VirtualAddress - kDataRva + h.Sections[0].PointerToRawData;
      WriteU32(file, blockFileOffset + 4, static_cast<std::uint32_t>(c.SizeOfBlock));
    }
    try {
      PlaceAt(file, writer.ImageBase + 0x10000);
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

TEST_P(PeLayoutTest, AnImageWithStrippedRelocationsCannotMove) {
  TPeWriter writer(Is64());
  writer.Characteristics |= pe::kFileRelocsStripped;
  const TBytes file = writer.Build();
  EXPECT_NO_THROW(PlaceAt(file, writer.ImageBase));
  EXPECT_THROW(PlaceAt(file, writer.ImageBase + 0x10000), pe::EPeImageError);
}

// Each corruption is refused with a message naming the field.
TEST_P(PeLayoutTest, RefusesCorruptHeaders) {
  const std::uint32_t opt = kOptionalOffset;
  const std::uint32_t sectionTable = opt + (Is64() ? 240 : 224);
  struct TCase {
    const char* Name;
    std::uint32_t Offset;
    std::uint32_t Value;
    int Width;
    const char* Field;
  };
  const TCase cases[] = {
      {"no MZ", 0, 0x5A4E, 2, "MZ"},
      {"e_lfanew beyond the file", 0x3C, 0x7FFFFFF0, 4, "e_lfanew"},
      {"no PE signature", kNtOffset, 0x4551, 4, "PE signature"},
      {"unknown magic", opt, 0x107, 2, "Magic"},
      {"optional header too small", kFileHeaderOffset + 16, 64, 2, "SizeOfOptionalHeader"},
      {"optional header beyond the file", kFileHeaderOffset + 16, 0xFFFF, 2, "optional header"},
      {"directories beyond the optional header", kFileHeaderOffset + 16, (Is64() ? 112u : 96u) + 8, 2,
       "NumberOfRvaAndSizes"},
      {"section table beyond the file", kFileHeaderOffset + 2, 0xFFFF, 2, "section table"},
      {"SizeOfImage 0", opt + 56, 0, 4, "SizeOfImage"},
      {"headers larger than the image", opt + 60, 0x100000, 4, "SizeOfHeaders"},
      {"entry point outside", opt + 16, 0x7FFFFFF0, 4, "AddressOfEntryPoint"},
      {"section outside SizeOfImage", sectionTable + 12, 0x7FFFF000, 4, "section 1"},
      {"section data outside the file", sectionTable + 20, 0x7FFFF000, 4, "raw data of section 1"},
      {"headers beyond the file", opt + 60, 0xF000, 4, "SizeOfHeaders"},
      {"DOS header outside SizeOfHeaders", opt + 60, 0x20, 4, "DOS header"},
      {"NT headers outside SizeOfHeaders", opt + 60, kFileHeaderOffset + 8, 4, "NT headers"},
      {"optional header outside SizeOfHeaders", opt + 60, opt + 64, 4, "optional header"},
      {"optional header of its declared size outside SizeOfHeaders", kFileHeaderOffset + 16,
       (Is64() ? 240u : 224u) + 0x100, 2, "optional header"},
      {"section table outside SizeOfHeaders", opt + 60, sectionTable + 20, 4, "section table"},
  };
  for (const auto& c : cases) {
    TPeWriter writer(Is64());
    writer.AddString("some data");
    TBytes file = writer.Build();
    if (c.Width == 2) WriteU16(file, c.Offset, static_cast<std::uint16_t>(c.Value));
    else WriteU32(file, c.Offset, c.Value);
    if (std::string(c.Name) == "headers beyond the file") WriteU32(file, opt + 56, 0x10000);
    try {
      Place(file);
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

// The extent of a placed module comes from its own headers, read only inside the bytes known
// to be readable at its start: each case's bytes are a buffer of exactly that size.
TEST_P(PeLayoutTest, MappedImageExtentReadsOnlyTheReadableHeaders) {
  TPeWriter writer(Is64());
  const TBytes file = writer.Build();
  const auto h = pe::ParsePeHeaders(file);
  const TBytes headers(file.begin(), file.begin() + h.SizeOfHeaders);
  const auto extent = pe::MappedImageExtent(headers);
  EXPECT_EQ(extent.data(), headers.data());
  EXPECT_EQ(extent.size(), h.SizeOfImage);

  struct TCase {
    const char* Name;
    std::uint32_t Readable;
    std::uint32_t Lfanew;  // a PE signature is written there when it lies inside
    const char* Field;
  };
  const TCase cases[] = {
      {"readable bytes end before e_lfanew", 0x3E, kNtOffset, "e_lfanew"},
      {"e_lfanew far beyond the readable bytes", 0x200, 0x7FFFFFF0, "e_lfanew"},
      {"PE signature straddles the end", 0x200, 0x1FE, "e_lfanew"},
      {"SizeOfImage beyond the readable bytes", 0x200, 0x200 - 8, "SizeOfImage"},
  };
  for (const auto& c : cases) {
    TBytes bytes(headers.begin(), headers.begin() + c.Readable);
    if (bytes.size() >= 0x40) WriteU32(bytes, 0x3C, c.Lfanew);
    if (std::uint64_t{c.Lfanew} + 4 <= bytes.size()) WriteU32(bytes, c.Lfanew, 0x00004550);
    try {
      pe::MappedImageExtent(bytes);
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

// A stream that only claims a size; reading it is a fault.
class TClaimedSizeStream : public TStream {
 public:
  explicit TClaimedSizeStream(std::int64_t size) : size_(size) {}
  std::int64_t Read(void*, std::int64_t) override {
    ADD_FAILURE() << "read";
    return 0;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  std::int64_t Size() override { return size_; }

 private:
  std::int64_t size_;
};

// The copy starts at position 0. A stream of 4 GB or more cannot hold a PE file, and in a
// 32-bit process its size would be cut short on the way to the buffer's length.
TEST(PeFileImageTest, TheWholeStreamIsCopiedAndOneTooLargeForAnImageRefusedUnread) {
  TMemoryStream stream(TBytes{'M', 'Z', 1, 2});
  stream.Seek(0, TSeekOrigin::End);
  EXPECT_EQ(pe::ReadFileImage(stream), (std::vector<std::uint8_t>{'M', 'Z', 1, 2}));
  for (const std::int64_t size : {std::int64_t{1} << 32, (std::int64_t{1} << 32) + 0x400, std::int64_t{-1}}) {
    TClaimedSizeStream huge(size);
    EXPECT_THROW(pe::ReadFileImage(huge), pe::EPeImageError) << size;
  }
}

TEST(PeLayoutTest, MachineNamesForInspection) {
  EXPECT_EQ(pe::MachineName(pe::kMachineI386), "x86");
  EXPECT_EQ(pe::MachineName(pe::kMachineAmd64), "x64");
  EXPECT_EQ(pe::MachineName(0xAA64), "machine 0xAA64");
}

}  // namespace
}  // namespace leafmark::test
