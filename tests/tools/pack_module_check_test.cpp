// leafmark-pack inspect and the runtime check of create --runtime, driven as a program.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/runtime_loader/pe_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace leafmark::test {
namespace {

TRun Pack(const std::string& arguments) {
  return RunProgram(std::string(LEAFMARK_PACK) + " " + arguments);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TBytes Module(bool is64, bool dll, bool classFactory, bool version) {
  TPeWriter writer(is64);
  if (!dll) writer.Characteristics = 0x0102;
  if (classFactory) writer.AddExports({{"DllGetClassObject", writer.Reserve(16), ""}});
  if (version) writer.AddResources({{16, std::uint16_t{1}, 1033, VersionResource(0x000A0000, 0x002D0002, 0x00010000, 0)}});
  return writer.Build();
}

class PackModuleCheckTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const TBytes& bytes) {
    WriteFileBytes(tmp_.File(name), bytes);
    return tmp_.File(name);
  }
  TTempDir tmp_;
};

TEST_F(PackModuleCheckTest, InspectPrintsMachineClassFactoryAndVersion) {
  struct TCase {
    const char* Name;
    TBytes Bytes;
    const char* Expected;
  } cases[] = {
      {"runtime32.dll", Module(false, true, true, true),
       "machine: x86\nDllGetClassObject: yes\nversion: 0x0A002D02 (10.0.45.2)\n"},
      {"plain64.dll", Module(true, true, false, false), "machine: x64\nDllGetClassObject: no\nversion: none\n"},
      {"zlib64.dll", ReadFileBytes("/usr/x86_64-w64-mingw32/lib/zlib1.dll"),
       "machine: x64\nDllGetClassObject: no\nversion: 0x01020D00 (1.2.13.0)\n"},
      {"zlib32.dll", ReadFileBytes("/usr/i686-w64-mingw32/lib/zlib1.dll"),
       "machine: x86\nDllGetClassObject: no\nversion: 0x01020D00 (1.2.13.0)\n"},
  };
  for (const auto& c : cases) {
    const TRun run = Pack("inspect " + Write(c.Name, c.Bytes));
    EXPECT_EQ(run.ExitCode, 0) << c.Name << ": " << run.Err;
    EXPECT_EQ(run.Out, c.Expected) << c.Name;
  }
}

TEST_F(PackModuleCheckTest, InspectRefusesWhatCannotBeLoadedWithTheReason) {
  TBytes truncated = Module(false, true, true, true);
  truncated.resize(0x300);
  TBytes mixed = Module(true, true, false, false);
  WriteU16(mixed, kFileHeaderOffset, 0x014C);  // x86 machine on a PE32+ header
  TBytes arm = Module(true, true, false, false);
  WriteU16(arm, kFileHeaderOffset, 0xAA64);
  struct TCase {
    const char* Name;
    TBytes Bytes;
    const char* Reason;
  } cases[] = {
      {"notes.txt", {'h', 'e', 'l', 'l', 'o'}, "no MZ signature"},
      {"truncated.dll", truncated, "raw data of section 1"},
      {"mixed.dll", mixed, "neither x86 nor x64"},
      {"arm64.dll", arm, "machine 0xAA64"},
  };
  for (const auto& c : cases) {
    const TRun run = Pack("inspect " + Write(c.Name, c.Bytes));
    EXPECT_EQ(run.ExitCode, 1) << c.Name;
    EXPECT_EQ(run.Out, "") << c.Name;
    EXPECT_TRUE(Contains(run.Err, c.Name) && Contains(run.Err, c.Reason)) << c.Name << ": " << run.Err;
  }
  EXPECT_EQ(Pack("inspect " + tmp_.File("absent.dll")).ExitCode, 1);
  EXPECT_EQ(Pack("inspect").ExitCode, 2);
}

TEST_F(PackModuleCheckTest, CreateRefusesARuntimeThePlayerCannotLoad) {
  // A player without relocations (it never moves), already carrying a book: only its machine
  // is read.
  TBytes playerImage = Module(false, false, false, false);
  WriteU16(playerImage, kFileHeaderOffset + 18, 0x0103);
  playerImage.resize(playerImage.size() + (3u << 20), 0x5A);
  const std::string player = Write("player.exe", playerImage);
  TTempDir book;
  WriteFileText(book.File("book.swf"), "movie");
  struct TCase {
    const char* Name;
    TBytes Bytes;
    int ExitCode;
    std::vector<std::string> Mentions;
  } cases[] = {
      {"flash32.ocx", Module(false, true, true, true), 0, {}},
      {"flash64.ocx", Module(true, true, true, true), 1, {"flash64.ocx", "x64", "player.exe", "x86"}},
      {"program.exe", Module(false, false, false, false), 1, {"program.exe", "not a DLL", "x86"}},
      {"text.ocx", {'n', 'o'}, 1, {"text.ocx", "not a loadable module image", "x86"}},
  };
  for (const auto& c : cases) {
    const TRun run = Pack("create --player " + player + " --out " + tmp_.File("out.exe") + " --runtime " +
                              Write(c.Name, c.Bytes) + " " + book.Path());
    EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Name << ": " << run.Err;
    for (const auto& part : c.Mentions) EXPECT_TRUE(Contains(run.Err, part)) << c.Name << ": " << run.Err;
  }
}

}  // namespace
}  // namespace leafmark::test
