// leafmark-pack: builds, lists, extracts and verifies book executables, and exports books
// for the web.
#include <iostream>
#include <map>

#include "base/stream.h"
#include "tools/pack_commands.h"

namespace {

using leafmark::pack::kExitFailed;
using leafmark::pack::kExitUsage;

constexpr const char* kHelp =
    "usage: leafmark-pack COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  create --player PLAYER.exe --out BOOK.exe [--digest] [--runtime FILE] DIR\n"
    "                      build a book: the player followed by the files below DIR\n"
    "  list BOOK.exe       the entries of a book and the state of its digest\n"
    "  extract BOOK.exe --to DIR [NAME...]\n"
    "                      write entries below DIR\n"
    "  verify BOOK.exe     check that the archive is sound\n"
    "  inspect FILE        machine, class-factory export and version of a module image\n"
    "  export-web BOOK --to DIR [--ruffle RUFFLE_DIR] [--force]\n"
    "                      a folder any static web server serves and browsers play with\n"
    "                      Ruffle; BOOK is a packed book or a book folder\n"
    "\n"
    "'leafmark-pack COMMAND --help' describes one command.\n"
    "Exit codes: 0 success, 1 bad input or failed check, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using Command = int (*)(const std::vector<std::string>&);
  const std::map<std::string, Command> commands = {
      {"create", leafmark::pack::RunCreate},   {"list", leafmark::pack::RunList},
      {"extract", leafmark::pack::RunExtract}, {"verify", leafmark::pack::RunVerify},
      {"inspect", leafmark::pack::RunInspect}, {"export-web", leafmark::pack::RunExportWeb},
  };
  if (argc < 2) {
    std::cerr << kHelp;
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << kHelp;
    return 0;
  }
  const auto command = commands.find(name);
  if (command == commands.end()) {
    std::cerr << "leafmark-pack: unknown command \"" << name << "\"\n\n" << kHelp;
    return kExitUsage;
  }
  try {
    return command->second(std::vector<std::string>(argv + 2, argv + argc));
  } catch (const leafmark::pack::EUsageError& error) {
    std::cerr << "leafmark-pack " << name << ": " << error.what() << "\n"
              << "try 'leafmark-pack " << name << " --help'\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    std::cerr << "leafmark-pack " << name << ": " << error.what() << "\n";
    return kExitFailed;
  }
}
