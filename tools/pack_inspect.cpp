// leafmark-pack inspect: what a module image is (machine, class-factory export, version).
#include <iostream>

#include "tools/pack_args.h"
#include "tools/pack_commands.h"

namespace leafmark::pack {

int RunInspect(const std::vector<std::string>& args) {
  const TArgs parsed(args, {}, {});
  if (parsed.Help()) {
    std::cout << "usage: leafmark-pack inspect FILE\n";
    return kExitOk;
  }
  std::cerr << "inspect is not available yet\n";
  return kExitFailed;
}

}  // namespace leafmark::pack
