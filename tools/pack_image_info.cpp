// leafmark-pack inspect: what a module image is (machine, class-factory export, version).
#include <cstdio>
#include <iostream>

#include "runtime_loader/pe_image_summary.h"
#include "tools/pack_args.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

namespace {
constexpr const char* kInspectHelp =
    "usage: leafmark-pack inspect FILE\n"
    "\n"
    "Prints what the player's loader would see in a module image, as key: value lines:\n"
    "  machine: x86 or x64\n"
    "  DllGetClassObject: yes or no\n"
    "  version: 0x0A002D02 (10.0.45.2), the packed product version, or none\n"
    "Exit 1, with the reason, for a file that is not a loadable x86 or x64 image.\n";

}  // namespace

int RunInspect(const std::vector<std::string>& args) {
  const TArgs parsed(args, {}, {});
  if (parsed.Help()) {
    std::cout << kInspectHelp;
    return kExitOk;
  }
  if (parsed.Positional().size() != 1) throw EUsageError("inspect needs exactly one FILE");
  const pe::TImageSummary summary = pe::InspectModuleFile(parsed.Positional()[0]);
  std::printf("machine: %s\n", pe::MachineName(summary.Machine).c_str());
  std::printf("DllGetClassObject: %s\n", summary.ExportsDllGetClassObject ? "yes" : "no");
  if (summary.Version) {
    std::printf("version: 0x%08X (%s)\n", static_cast<unsigned>(summary.Version->Packed()),
                summary.Version->Dotted().c_str());
  } else {
    std::printf("version: none\n");
  }
  return kExitOk;
}

}  // namespace leafmark::pack
