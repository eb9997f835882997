// Import descriptors, exports, resources and the version resource of PE32 and PE32+ images.
#include <gtest/gtest.h>

#include "runtime_loader/pe_error.h"
#include "runtime_loader/pe_exports.h"
#include "runtime_loader/pe_imports.h"
#include "runtime_loader/pe_resources.h"
#include "runtime_loader/pe_unwind.h"
#include "runtime_loader/pe_version.h"
#include "tests/runtime_loader/placed_image.h"

namespace leafmark::test {
namespace {

class PeTablesTest : public ::testing::TestWithParam<bool> {
 protected:
  bool Is64() const { return GetParam(); }
};

// A named function rather than a lambda: the macro wraps the generator in a function whose
// parameter is "info", and GCC's -Wshadow flags a lambda parameter of that name inside it.
std::string FormatName(const ::testing::TestParamInfo<bool>& format) {
  return format.param ? "Pe32Plus" : "Pe32";
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeTablesTest, ::testing::Bool(), FormatName);

std::vector<std::string> Names(const pe::TImportModule& module) {
  std::vector<std::string> names;
  for (const auto& t : module.Thunks) names.push_back(t.ByOrdinal ? "#" + std::to_string(t.Ordinal) : t.Name);
  return names;
}

// OriginalFirstThunk and FirstThunk list different names, so the test sees which was read.
TEST_P(PeTablesTest, NamesComeFromOriginalFirstThunkOnlyWhenBound) {
  std::vector<TImportedModule> modules = {
      {"unbound.dll", {{"FromFirst"}}, {{"FromOriginal"}}, 0, {}},
      {"bound.dll", {{"FromFirst"}}, {{"FromOriginal"}}, 0xFFFFFFFF, {}},
      {"bound-no-original.dll", {{"FromFirst"}}, {}, 0x12345678, {}},
  };
  TPeWriter writer(Is64());
  writer.AddImports(modules);
  TPlacedImage placed = Place(writer.Build());
  const auto imports = pe::ReadImports(placed.Image, placed.Headers);
  ASSERT_EQ(imports.size(), 3u);
  EXPECT_EQ(imports[0].Name, "unbound.dll");
  EXPECT_EQ(Names(imports[0]), std::vector<std::string>{"FromFirst"});
  EXPECT_EQ(Names(imports[1]), std::vector<std::string>{"FromOriginal"});
  EXPECT_EQ(Names(imports[2]), std::vector<std::string>{"FromFirst"});
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(imports[i].Thunks[0].SlotRva, modules[i].SlotRvas[0]) << "slots are always in FirstThunk";
  }
}

TEST_P(PeTablesTest, OrdinalsAndNamesAreDecodedWithTheFormatsThunkWidth) {
  std::vector<TImportedModule> modules = {
      {"k.dll", {{"Alpha"}, {"", 7}, {"Beta"}, {"", 0xFFFF}}, {}, 0, {}},
  };
  TPeWriter writer(Is64());
  writer.AddImports(modules);
  TPlacedImage placed = Place(writer.Build());
  const auto imports = pe::ReadImports(placed.Image, placed.Headers);
  ASSERT_EQ(imports.size(), 1u);
  EXPECT_EQ(Names(imports[0]), (std::vector<std::string>{"Alpha", "#7", "Beta", "#65535"}));

  // Writing a slot fills exactly one thunk of the format's width.
  const std::uint32_t slot = imports[0].Thunks[1].SlotRva;
  pe::WriteImportSlot(placed.Image, placed.Headers, slot, 0x1122334455667788ull);
  if (Is64()) {
    EXPECT_EQ(placed.U64(slot), 0x1122334455667788ull);
  } else {
    EXPECT_EQ(placed.U32(slot), 0x55667788u);
  }
  EXPECT_NE(placed.U32(imports[0].Thunks[2].SlotRva), 0u) << "the next slot is untouched";
}

// In PE32+ bit 31 is an ordinary RVA bit, not the ordinal flag.
TEST(PeTablesTest, Pe32PlusReadsBit31AsPartOfANameRva) {
  std::vector<TImportedModule> modules = {{"k.dll", {{"Alpha"}}, {}, 0, {}}};
  TPeWriter writer(true);
  writer.AddImports(modules);
  TPlacedImage placed = Place(writer.Build());
  WriteU32(placed.Image, modules[0].SlotRvas[0], 0x80000007u);
  EXPECT_THROW(pe::ReadImports(placed.Image, placed.Headers), pe::EPeImageError);
}

TEST_P(PeTablesTest, RefusesBrokenImportTables) {
  struct TCase {
    const char* Name;
    std::uint32_t DescriptorOffset;  // field within the first descriptor
    std::uint32_t Value;
    const char* Field;
  };
  const TCase cases[] = {
      {"module name outside", 12, 0x7FFFFFF0, "module name"},
      {"thunk array outside", 16, 0x7FFFFFF0, "import thunk"},
      {"no FirstThunk", 16, 0, "FirstThunk"},
  };
  for (const auto& c : cases) {
    std::vector<TImportedModule> modules = {{"k.dll", {{"Alpha"}}, {}, 0, {}}};
    TPeWriter writer(Is64());
    writer.AddImports(modules);
    TPlacedImage placed = Place(writer.Build());
    WriteU32(placed.Image, placed.Headers.Directories[pe::kDirImport].VirtualAddress + c.DescriptorOffset, c.Value);
    try {
      pe::ReadImports(placed.Image, placed.Headers);
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
  // A descriptor table running off the image without a terminator.
  TPeWriter writer(Is64());
  writer.SetDirectory(pe::kDirImport, 0x1000, 20);
  const auto name = writer.AddString("x.dll");
  for (int i = 0; i < 4; ++i) writer.Put32(0x1000 + 12 + 20 * i, name);
  TPlacedImage placed = Place(writer.Build());
  EXPECT_THROW(pe::ReadImports(placed.Image, placed.Headers), pe::EPeImageError);
}

// Every thunk names its own hint/name entry in a real image, so the names cannot add up to
// more than the image; thunks that all share one long name would otherwise fill memory with
// copies of it (a few megabytes of file asking for hundreds of gigabytes).
TEST_P(PeTablesTest, ImportNamesSharedBeyondTheImageSizeAreRefused) {
  TPeWriter writer(Is64());
  const std::uint32_t hintName = writer.Add(TBytes(2, 0), 2);
  writer.AddString(std::string(4096, 'A'));
  const unsigned thunk = Is64() ? 8 : 4;
  const std::uint32_t thunks = writer.Reserve(65 * thunk);
  for (std::uint32_t i = 0; i < 64; ++i) {
    if (Is64()) writer.Put64(thunks + i * thunk, hintName);
    else writer.Put32(thunks + i * thunk, hintName);
  }
  const std::uint32_t descriptors = writer.Reserve(40, 4);
  writer.Put32(descriptors + 12, writer.AddString("k.dll"));
  writer.Put32(descriptors + 16, thunks);
  writer.SetDirectory(pe::kDirImport, descriptors, 40);
  const TPlacedImage placed = Place(writer.Build());
  try {
    pe::ReadImports(placed.Image, placed.Headers);
    ADD_FAILURE() << "accepted";
  } catch (const pe::EPeImageError& e) {
    EXPECT_NE(std::string(e.what()).find("import names"), std::string::npos) << e.what();
  }
}

TEST(PeTablesTest, ModuleFileNameDropsTheDirectory) {
  EXPECT_EQ(pe::ModuleFileName("KERNEL32.dll"), "KERNEL32.dll");
  EXPECT_EQ(pe::ModuleFileName("c:\\windows\\system32\\user32.dll"), "user32.dll");
  EXPECT_EQ(pe::ModuleFileName("lib/x.dll"), "x.dll");
}

TEST_P(PeTablesTest, ExportsAreFoundByExactName) {
  TPeWriter writer(Is64());
  const std::uint32_t code = writer.Reserve(16);
  writer.AddExports({{"DllCanUnloadNow", code + 4, ""},
                     {"DllGetClassObject", code + 8, ""},
                     {"Forwarded", 0, "other.Function"}});
  const TPlacedImage placed = Place(writer.Build());
  auto find = [&](const char* name) { return pe::FindExportRva(placed.Image, placed.Headers, name); };
  EXPECT_EQ(find("DllGetClassObject"), code + 8);
  EXPECT_EQ(find("DllCanUnloadNow"), code + 4);
  EXPECT_EQ(find("dllgetclassobject"), std::nullopt);
  EXPECT_EQ(find("DllGetClassObjec"), std::nullopt);
  EXPECT_EQ(find("DllGetClassObjectX"), std::nullopt);
  EXPECT_EQ(find("Forwarded"), std::nullopt) << "a forwarder is text, not code";
  EXPECT_EQ(pe::ExportNames(placed.Image, placed.Headers),
            (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "Forwarded"}));
}

// Names are compared only as far as their first difference, as the system does: a name that
// differs early costs nothing however long it runs, and so cannot hide a later match (or make
// a look-up among many such names take hours).
TEST_P(PeTablesTest, ExportNamesAreComparedOnlyUpToTheFirstDifference) {
  TPeWriter writer(Is64());
  const std::uint32_t code = writer.Reserve(16);
  writer.AddExports({{"Unterminated", code, ""}, {"DllGetClassObject", code + 8, ""}});
  // The first name becomes a run of letters to the very end of the image, with no terminator.
  const std::uint32_t run = writer.Reserve(0, 1);
  const std::uint32_t end = (run + 0x1000) & ~0xFFFu;
  writer.Add(TBytes(end - run, 'U'), 1);
  TPlacedImage placed = Place(writer.Build());
  ASSERT_EQ(end, placed.Headers.SizeOfImage) << "the run reaches the end of the image";
  const std::uint32_t namesTable = placed.U32(placed.Headers.Directories[pe::kDirExport].VirtualAddress + 32);
  WriteU32(placed.Image, namesTable, run);
  EXPECT_EQ(pe::FindExportRva(placed.Image, placed.Headers, "DllGetClassObject"), code + 8);
  EXPECT_EQ(pe::FindExportRva(placed.Image, placed.Headers, "Missing"), std::nullopt);
  EXPECT_THROW(pe::FindExportRva(placed.Image, placed.Headers, std::string(end - run, 'U')), pe::EPeImageError)
      << "a name equal up to the end of the image has no terminator";
}

TEST_P(PeTablesTest, NoExportDirectoryMeansNoExport) {
  const TPlacedImage placed = Place(TPeWriter(Is64()).Build());
  EXPECT_EQ(pe::FindExportRva(placed.Image, placed.Headers, "DllGetClassObject"), std::nullopt);
}

TEST_P(PeTablesTest, RefusesBrokenExportTables) {
  struct TCase {
    const char* Name;
    std::uint32_t DirectoryOffset;
    std::uint32_t Value;
    const char* Field;
  };
  const TCase cases[] = {
      {"names table outside", 32, 0x7FFFFFF0, "AddressOfNames"},
      {"ordinal index beyond NumberOfFunctions", 20, 0, "NumberOfFunctions"},
      {"functions table outside", 28, 0x7FFFFFF0, "AddressOfFunctions"},
      {"more names than the table holds", 24, 0x40000000, "exported name"},
      {"function outside the image", 40, 0x7FFFFFF0, "lies outside the image"},
  };
  for (const auto& c : cases) {
    TPeWriter writer(Is64());
    writer.AddExports({{"Last", 0x1000, ""}});
    TPlacedImage placed = Place(writer.Build());
    WriteU32(placed.Image, placed.Headers.Directories[pe::kDirExport].VirtualAddress + c.DirectoryOffset, c.Value);
    try {
      pe::FindExportRva(placed.Image, placed.Headers, "Missing");
      pe::FindExportRva(placed.Image, placed.Headers, "Last");
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

std::u16string U16(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

TEST_P(PeTablesTest, ResourcesByTypeNameOrIdAndLanguage) {
  TPeWriter writer(Is64());
  writer.AddResources({
      {12, U16("ARROW"), 1033, {1, 1}},
      {12, U16("ARROW"), 1031, {2, 2, 2}},
      {12, std::uint16_t{5}, 0, {3}},
      {4, std::uint16_t{5}, 0, {4, 4}},
      {4, U16("MENU"), 0x0409, {5}},
  });
  const TPlacedImage placed = Place(writer.Build());
  struct TCase {
    std::uint16_t Type;
    pe::TResourceName Name;
    std::uint16_t Language;
    std::optional<std::uint8_t> FirstByte;
    std::uint32_t Size;
  };
  const TCase cases[] = {
      {12, U16("ARROW"), 1033, 1, 2},
      {12, U16("ARROW"), 1031, 2, 3},
      {12, U16("ARROW"), 0, std::nullopt, 0},  // languages are not tried beyond the one asked
      {12, U16("arrow"), 1033, std::nullopt, 0},
      {12, U16("ARRO"), 1033, std::nullopt, 0},
      {12, std::uint16_t{5}, 0, 3, 1},
      {4, std::uint16_t{5}, 0, 4, 2},
      {4, U16("MENU"), 1033, 5, 1},
      {4, std::uint16_t{6}, 0, std::nullopt, 0},
      {3, std::uint16_t{5}, 0, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    const auto found = pe::FindImageResource(placed.Image, placed.Headers, c.Type, c.Name, c.Language);
    ASSERT_EQ(found.has_value(), c.FirstByte.has_value()) << c.Type << "/" << c.Language;
    if (found) {
      EXPECT_EQ(placed.Image[found->Rva], *c.FirstByte);
      EXPECT_EQ(found->Size, c.Size);
    }
  }
}

// Offsets of one resource chain, for corrupting it.
struct TResourceChain {
  TPlacedImage Placed;
  std::uint32_t Root = 0;
  std::uint32_t TypeEntry = 0, NameEntry = 0, LanguageEntry = 0;
};

TResourceChain OneResource(bool is64) {
  TPeWriter writer(is64);
  writer.AddResources({{10, std::uint16_t{1}, 0, {9, 9}}});
  TResourceChain chain;
  chain.Placed = Place(writer.Build());
  chain.Root = chain.Placed.Headers.Directories[pe::kDirResource].VirtualAddress;
  auto entryOf = [&](std::uint32_t dirOffset) { return chain.Root + dirOffset + 16; };
  chain.TypeEntry = entryOf(0);
  chain.NameEntry = entryOf(chain.Placed.U32(chain.TypeEntry + 4) & 0x7FFFFFFF);
  chain.LanguageEntry = entryOf(chain.Placed.U32(chain.NameEntry + 4) & 0x7FFFFFFF);
  return chain;
}

TEST_P(PeTablesTest, MisshapenResourceDirectoriesEndTheLookUp) {
  auto lookUp = [](const TResourceChain& c) {
    return pe::FindImageResource(c.Placed.Image, c.Placed.Headers, 10, std::uint16_t{1}, 0);
  };
  ASSERT_TRUE(lookUp(OneResource(Is64())));
  {  // the type's subdirectory is the root itself
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.TypeEntry + 4, 0x80000000u);
    EXPECT_FALSE(lookUp(c));
  }
  {  // the name level loops back to the root; its entry 10 leads on to the root again
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.NameEntry + 4, 0x80000000u);
    WriteU32(c.Placed.Image, c.TypeEntry, 1);
    EXPECT_FALSE(lookUp(c));
  }
  {  // the language level holds a directory, one level too deep
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.LanguageEntry + 4, 0x80000000u | (c.Placed.U32(c.NameEntry + 4) & 0x7FFFFFFF));
    EXPECT_FALSE(lookUp(c));
  }
  {  // a data entry where the name directory belongs
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.TypeEntry + 4, c.Placed.U32(c.LanguageEntry + 4));
    EXPECT_FALSE(lookUp(c));
  }
}

TEST_P(PeTablesTest, ResourcesOutsideTheImageAreRefused) {
  {
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.Root + (c.Placed.U32(c.LanguageEntry + 4)), 0x7FFFFFF0);
    EXPECT_THROW(pe::FindImageResource(c.Placed.Image, c.Placed.Headers, 10, std::uint16_t{1}, 0),
                 pe::EPeImageError);
  }
  {
    auto c = OneResource(Is64());
    WriteU32(c.Placed.Image, c.TypeEntry + 4, 0x80000000u | 0x7FFFFF00u);
    EXPECT_THROW(pe::FindImageResource(c.Placed.Image, c.Placed.Headers, 10, std::uint16_t{1}, 0),
                 pe::EPeImageError);
  }
}

// An x64 function table of three entries: a plain one, one with an exception handler, and one
// whose unwind information chains to the first entry.
struct TFunctionTable {
  TPlacedImage Placed;
  std::uint32_t Table = 0, Code = 0, HandlerInfo = 0, ChainInfo = 0;
};

TFunctionTable ThreeFunctions(bool is64) {
  TPeWriter writer(is64);
  TFunctionTable t;
  t.Code = writer.Reserve(0x30);
  const std::uint32_t plain = writer.Add({0x01, 0, 0, 0});
  t.HandlerInfo = writer.Add({0x01 | 0x1 << 3, 4, 2, 0, 0x04, 0x32, 0x00, 0x00});  // two code slots
  writer.Put32(writer.Reserve(4, 4), t.Code + 0x20);                               // the handler
  t.ChainInfo = writer.Add({0x01 | 0x4 << 3, 0, 0, 0});
  const std::uint32_t chained = writer.Reserve(12, 4);
  writer.Put32(chained, t.Code);
  writer.Put32(chained + 4, t.Code + 0x10);
  writer.Put32(chained + 8, plain);
  t.Table = writer.Reserve(36, 4);
  const std::uint32_t entries[3][3] = {{t.Code, t.Code + 0x10, plain},
                                       {t.Code + 0x10, t.Code + 0x20, t.HandlerInfo},
                                       {t.Code + 0x20, t.Code + 0x30, t.ChainInfo}};
  for (std::uint32_t i = 0; i < 3; ++i) {
    for (std::uint32_t f = 0; f < 3; ++f) writer.Put32(t.Table + 12 * i + 4 * f, entries[i][f]);
  }
  writer.SetDirectory(pe::kDirException, t.Table, 36);
  t.Placed = Place(writer.Build());
  return t;
}

TEST(PeUnwindTest, AWellFormedFunctionTableIsCountedAndAPe32OneIgnored) {
  const auto x64 = ThreeFunctions(true);
  EXPECT_EQ(pe::CheckFunctionTable(x64.Placed.Image, x64.Placed.Headers), 3u);
  const auto x86 = ThreeFunctions(false);
  EXPECT_EQ(pe::CheckFunctionTable(x86.Placed.Image, x86.Placed.Headers), 0u);
}

// Once registered, the unwinder trusts the table for addresses beyond the image as well, so
// nothing in it may point outside.
TEST(PeUnwindTest, FunctionTablesPointingOutsideTheImageAreRefused) {
  struct TCase {
    const char* Name;
    std::uint32_t TFunctionTable::*Base;
    std::uint32_t Offset;
    std::uint32_t Value;
    const char* Field;
  };
  const std::uint32_t outside = 0x7FFFFFF0;
  const TCase cases[] = {
      {"function ends beyond the image", &TFunctionTable::Table, 4, outside, "entry 0 covers"},
      {"function ends before it begins", &TFunctionTable::Table, 12 + 4, 0x1000, "entry 1 covers"},
      {"unwind information outside", &TFunctionTable::Table, 8, outside, "entry 0 unwind information"},
      {"shared entry outside", &TFunctionTable::Table, 8, outside | 1, "entry 0 shared entry"},
      {"handler outside", &TFunctionTable::HandlerInfo, 8, outside, "exception handler"},
      {"chained entry ends beyond the image", &TFunctionTable::ChainInfo, 8, outside, "chained entry covers"},
  };
  for (const auto& c : cases) {
    auto t = ThreeFunctions(true);
    WriteU32(t.Placed.Image, t.*c.Base + c.Offset, c.Value);
    try {
      pe::CheckFunctionTable(t.Placed.Image, t.Placed.Headers);
      ADD_FAILURE() << c.Name << ": accepted";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Field), std::string::npos) << c.Name << ": " << e.what();
    }
  }
  // Unwind information in the image's last four bytes whose two code slots lie beyond it.
  auto t = ThreeFunctions(true);
  const std::uint32_t last = t.Placed.Headers.SizeOfImage - 4;
  WriteU32(t.Placed.Image, last, 0x00020001);
  WriteU32(t.Placed.Image, t.Table + 8, last);
  EXPECT_THROW(pe::CheckFunctionTable(t.Placed.Image, t.Placed.Headers), pe::EPeImageError);
}

TEST(PeVersionTest, ProductVersionIsPackedOneBytePerPartWithSpill) {
  struct TCase {
    std::uint32_t MS, LS, Packed;
    const char* Dotted;
  };
  const TCase cases[] = {
      {0x000A0000, 0x002D0002, 0x0A002D02, "10.0.45.2"},
      {0x00010000, 0x00000000, 0x01000000, "1.0.0.0"},
      {0x0001012C, 0x00000000, 0x022C0000, "1.300.0.0"},  // 300 spills into the major byte
      {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFEFF, "65535.65535.65535.65535"},
  };
  for (const auto& c : cases) {
    const auto version = pe::ReadProductVersion(VersionResource(c.MS, c.LS, 0x00010002, 0x00030004));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->Packed(), c.Packed) << c.Dotted;
    EXPECT_EQ(version->Dotted(), c.Dotted);
  }
}

TEST(PeVersionTest, BlocksWithoutAFixedPartHaveNoVersion) {
  TBytes block = VersionResource(0x000A0000, 0x002D0002, 0, 0);
  for (std::size_t length = 0; length < 64; ++length) {
    EXPECT_FALSE(pe::ReadProductVersion(std::span(block.data(), length))) << length;
  }
  EXPECT_TRUE(pe::ReadProductVersion(std::span(block.data(), 64)));
  TBytes unsigned_ = block;
  WriteU32(unsigned_, 40, 0x12345678);
  EXPECT_FALSE(pe::ReadProductVersion(unsigned_));
}

TEST_P(PeTablesTest, VersionResourceOfAnImage) {
  TPeWriter writer(Is64());
  writer.AddResources({{16, std::uint16_t{1}, 1033, VersionResource(0x000A0000, 0x002D0002, 0x00090000, 0)}});
  const TPlacedImage placed = Place(writer.Build());
  const auto found = pe::FindImageResource(placed.Image, placed.Headers, 16, std::uint16_t{1}, 1033);
  ASSERT_TRUE(found);
  const auto version = pe::ReadProductVersion(std::span(placed.Image).subspan(found->Rva, found->Size));
  ASSERT_TRUE(version);
  EXPECT_EQ(version->Packed(), 0x0A002D02u);
}

}  // namespace
}  // namespace leafmark::test
