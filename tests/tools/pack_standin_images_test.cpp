// leafmark-pack inspect on the stand-in runtime as built for both Windows machines: what the
// player's loader will find in it. On win32 this is the only check that runs here that the
// stdcall DllGetClassObject is exported under its plain name.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_program.h"

namespace leafmark::test {
namespace {

TRun Inspect(const std::string& target, const std::string& file) {
  return RunProgram(std::string(LEAFMARK_PACK) + " inspect " + LEAFMARK_STANDIN_BUILDS + "/standin-" + target +
                    "/bin/" + file);
}

struct TMachine {
  const char* Target;
  const char* Header;  // the lines before the version
};
const TMachine kMachines[] = {
    {"win32", "machine: x86\nDllGetClassObject: yes\n"},
    {"win64", "machine: x64\nDllGetClassObject: yes\n"},
};

TEST(PackStandinInspectTest, EachVariantShowsItsMachineItsClassFactoryAndTheVersionItWasBuiltWith) {
  struct TVariant {
    const char* File;
    const char* Version;
  } variants[] = {
      {"flash-v5.0.42.0.ocx", "version: 0x05002A00 (5.0.42.0)\n"},
      {"flash-v6.0.79.0.ocx", "version: 0x06004F00 (6.0.79.0)\n"},
      {"flash-v7.0.19.0.ocx", "version: 0x07001300 (7.0.19.0)\n"},
      {"flash-v8.0.24.0.ocx", "version: 0x08001800 (8.0.24.0)\n"},
      {"flash-v9.0.27.0.ocx", "version: 0x09001B00 (9.0.27.0)\n"},
      {"flash-v9.0.28.0.ocx", "version: 0x09001C00 (9.0.28.0)\n"},
  };
  for (const auto& machine : kMachines) {
    for (const auto& variant : variants) {
      const TRun run = Inspect(machine.Target, variant.File);
      EXPECT_EQ(run.ExitCode, 0) << machine.Target << " " << variant.File << ": " << run.Err;
      EXPECT_EQ(run.Out, std::string(machine.Header) + variant.Version) << machine.Target << " " << variant.File;
    }
  }
}

// flash.ocx's version is the build's choice (LEAFMARK_STANDIN_VERSION).
TEST(PackStandinInspectTest, TheRuntimeItselfCarriesTheConfiguredVersion) {
  for (const auto& machine : kMachines) {
    const TRun run = Inspect(machine.Target, "flash.ocx");
    EXPECT_EQ(run.ExitCode, 0) << machine.Target << ": " << run.Err;
    const std::string header = machine.Header;
    EXPECT_EQ(run.Out.substr(0, header.size() + 11), header + "version: 0x") << machine.Target;
    const std::string tail = " (" LEAFMARK_STANDIN_VERSION ")\n";
    ASSERT_GE(run.Out.size(), tail.size()) << machine.Target;
    EXPECT_EQ(run.Out.substr(run.Out.size() - tail.size()), tail) << machine.Target << ": " << run.Out;
  }
}

}  // namespace
}  // namespace leafmark::test
