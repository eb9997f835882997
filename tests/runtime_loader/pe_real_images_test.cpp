// Third-party images built by other toolchains: mingw's DLLs for both machines and Wine's
// own PE modules. Also the same images truncated and corrupted.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_exports.h"
#include "runtime_loader/pe_imports.h"
#include "runtime_loader/pe_image_summary.h"
#include "tests/runtime_loader/placed_image.h"
#include "tests/support/temp_dir.h"

namespace leafmark::test {
namespace {

namespace fs = std::filesystem;

const char* const kZlib64 = "/usr/x86_64-w64-mingw32/lib/zlib1.dll";
const char* const kZlib32 = "/usr/i686-w64-mingw32/lib/zlib1.dll";

// Wine's folders hold only PE modules (.dll, .exe, .sys, .drv, ...); the compilers' hold
// object files and libraries beside their DLLs.
std::vector<fs::path> ModulesIn(const fs::path& dir, bool dllsOnly) {
  std::vector<fs::path> files;
  if (!fs::is_directory(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && (!dllsOnly || entry.path().extension() == ".dll")) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<fs::path> ThirdPartyModules() {
  std::vector<fs::path> files = {kZlib64, kZlib32, "/usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll",
                                 "/usr/i686-w64-mingw32/lib/libwinpthread-1.dll"};
  for (const char* dir : {"/usr/lib/gcc/x86_64-w64-mingw32/12-posix", "/usr/lib/gcc/i686-w64-mingw32/12-posix"}) {
    for (auto& f : ModulesIn(dir, true)) files.push_back(f);
  }
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/x86_64-linux-gnu/wine/i386-windows"}) {
    for (auto& f : ModulesIn(dir, false)) files.push_back(f);
  }
  return files;
}

TEST(PeRealImagesTest, ZlibOfBothMachinesIsReadCorrectly) {
  for (const auto& [file, is64] : {std::pair{kZlib64, true}, std::pair{kZlib32, false}}) {
    SCOPED_TRACE(file);
    const TBytes bytes = ReadFileBytes(file);
    const auto summary = pe::InspectImage(bytes);
    EXPECT_EQ(summary.Is64, is64);
    EXPECT_EQ(summary.Machine, is64 ? pe::kMachineAmd64 : pe::kMachineI386);
    EXPECT_TRUE(summary.IsDll);
    EXPECT_FALSE(summary.ExportsDllGetClassObject);

    const TPlacedImage placed = PlaceAt(bytes, 0x10000);
    std::vector<std::string> modules;
    for (const auto& m : pe::ReadImports(placed.Image, placed.Headers)) modules.push_back(m.Name);
    EXPECT_NE(std::find(modules.begin(), modules.end(), "KERNEL32.dll"), modules.end());
    EXPECT_NE(std::find(modules.begin(), modules.end(), "msvcrt.dll"), modules.end());
    for (const char* name : {"compress", "uncompress", "compressBound", "zlibVersion"}) {
      EXPECT_TRUE(pe::FindExportRva(placed.Image, placed.Headers, name)) << name;
    }
    EXPECT_FALSE(pe::FindExportRva(placed.Image, placed.Headers, "Compress"));
  }
}

// Every module is accepted; relocation moves those that have fix-ups, and moving them there and
// back restores the layout exactly, so each fix-up was applied once. (Their width is shown by
// the written images, with a delta above 4 GB.)
TEST(PeRealImagesTest, EveryThirdPartyModuleIsAcceptedAndRelocatesReversibly) {
  const auto files = ThirdPartyModules();
  ASSERT_GT(files.size(), 50u) << "the mingw and Wine modules are missing";
  std::size_t pe32 = 0, pe32Plus = 0, withVersion = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    const TBytes bytes = ReadFileBytes(file.string());
    const auto summary = pe::InspectImage(bytes);
    (summary.Is64 ? pe32Plus : pe32)++;
    if (summary.Version) ++withVersion;
    EXPECT_EQ(summary.Is64, summary.Machine == pe::kMachineAmd64);

    const TPlacedImage original = Place(bytes);
    const std::uint64_t moved = original.Headers.ImageBase + 0x7650000;
    TPlacedImage placed = PlaceAt(bytes, moved);
    if (original.Headers.Directories[pe::kDirBaseReloc].Present()) {
      EXPECT_FALSE(placed.Image == original.Image) << "relocation changed nothing";
    }
    pe::TPeHeaders movedHeaders = placed.Headers;
    movedHeaders.ImageBase = moved;
    pe::RelocateImage(placed.Image, movedHeaders, original.Headers.ImageBase);
    EXPECT_TRUE(placed.Image == original.Image);

    // Every exported name leads to its own entry (or to a forwarder, reported as absent).
    const auto names = pe::ExportNames(original.Image, original.Headers);
    for (std::size_t i = 0; i < names.size(); i += std::max<std::size_t>(1, names.size() / 16)) {
      EXPECT_NO_THROW(pe::FindExportRva(original.Image, original.Headers, names[i])) << names[i];
    }
  }
  EXPECT_GT(pe32, 2u);
  EXPECT_GT(pe32Plus, 50u);
  EXPECT_GT(withVersion, 50u) << "Wine's modules carry version resources";
}

// Truncated or corrupted images are refused with EPeImageError or accepted; the sanitizers
// check that no read or write leaves the buffers.
void ExpectRefusedOrAccepted(const TBytes& bytes) {
  try {
    pe::InspectImage(bytes);
  } catch (const pe::EPeImageError&) {
  }
}

TEST(PeRealImagesTest, TruncatedImagesAreRefusedWithoutReadingPastTheEnd) {
  for (const char* file : {kZlib64, kZlib32}) {
    const TBytes bytes = ReadFileBytes(file);
    // What follows the last section's data (the symbol table) is not needed to load.
    const auto headers = pe::ParsePeHeaders(bytes);
    std::size_t needed = headers.SizeOfHeaders;
    for (const auto& s : headers.Sections) {
      if (s.SizeOfRawData != 0) needed = std::max<std::size_t>(needed, s.PointerToRawData + std::min(s.VirtualSize, s.SizeOfRawData));
    }
    for (std::size_t length = 0; length < needed; length += length < 0x600 ? 1 : 0x1FF) {
      const TBytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_THROW(pe::InspectImage(prefix), pe::EPeImageError) << file << " cut to " << length;
    }
    const TBytes enough(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(needed));
    EXPECT_NO_THROW(pe::InspectImage(enough)) << file;
  }
}

TEST(PeRealImagesTest, CorruptedImagesNeverLeaveTheirBuffers) {
  std::mt19937 random(4);
  for (const char* file : {kZlib64, kZlib32}) {
    const TBytes bytes = ReadFileBytes(file);
    const auto headers = pe::ParsePeHeaders(bytes);
    // The headers and the table-rich start of each section are where damage matters most.
    std::vector<std::pair<std::size_t, std::size_t>> regions = {{0, headers.SizeOfHeaders}};
    for (const auto& s : headers.Sections) regions.push_back({s.PointerToRawData, std::min<std::size_t>(s.SizeOfRawData, 0x400)});
    for (int round = 0; round < 400; ++round) {
      TBytes damaged = bytes;
      for (int k = 0; k < 1 + round % 4; ++k) {
        const auto& [start, size] = regions[random() % regions.size()];
        if (size == 0) continue;
        damaged[start + random() % size] = static_cast<std::uint8_t>(random());
      }
      ExpectRefusedOrAccepted(damaged);
    }
  }
}

}  // namespace
}  // namespace leafmark::test
