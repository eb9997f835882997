// leafmark-sample-book: writes a small book folder for leafmark-pack to pack.
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/decimal.h"
#include "tools/sample_book.h"

namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

constexpr const char* kHelp =
    "usage: leafmark-sample-book --to DIR [--pages N] [--caption TEXT] [--force]\n"
    "\n"
    "Writes a sample book into DIR (made if missing), ready for 'leafmark-pack create':\n"
    "  pages/1.png ... pages/N.png  one 800x600 picture a page, with its number\n"
    "  book.swf                     the main movie: one frame a page, each loading its picture;\n"
    "                               Right/Page Down and Left/Page Up turn pages, Home and End\n"
    "                               go to the first and last, f full screen, Escape back\n"
    "  ExeConfig.xml                the window's caption and its size, 800x600\n"
    "\n"
    "  --to DIR        where to write; it must be empty unless --force\n"
    "  --pages N       the number of pages, 1 to 99 (default 5)\n"
    "  --caption TEXT  the window's caption (default \"Leafmark sample book\")\n"
    "  --force         write into a DIR that is not empty: the book's files are replaced,\n"
    "                  pages beyond N removed, other files left alone\n"
    "\n"
    "Exit codes: 0 success, 1 failure (the message names the path), 2 usage error.\n";

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TArguments {
  std::string Dir;
  leafmark::tools::TSampleBookOptions Options;
};

TArguments Parse(const std::vector<std::string>& args) {
  TArguments parsed;
  bool pagesGiven = false, captionGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw EUsage(arg + " needs a value");
      return args[++i];
    };
    const auto once = [&](bool& given) {
      if (given) throw EUsage(arg + " is given twice");
      given = true;
    };
    if (arg == "--to") {
      if (!parsed.Dir.empty()) throw EUsage("--to is given twice");
      parsed.Dir = value();
      if (parsed.Dir.empty()) throw EUsage("--to needs a folder");
    } else if (arg == "--pages") {
      once(pagesGiven);
      const std::string& text = value();
      const auto pages = text.empty() || text[0] == '+' || text[0] == '-' ? std::nullopt
                                                                           : leafmark::ParseSignedDecimal32(text);
      if (!pages || *pages < 1 || *pages > static_cast<int>(leafmark::tools::kMaxSamplePages)) {
        throw EUsage("--pages must be a number from 1 to 99, not \"" + text + "\"");
      }
      parsed.Options.Pages = static_cast<unsigned>(*pages);
    } else if (arg == "--caption") {
      once(captionGiven);
      parsed.Options.Caption = value();
    } else if (arg == "--force") {
      parsed.Options.Force = true;
    } else {
      throw EUsage("unknown argument \"" + arg + "\"");
    }
  }
  if (parsed.Dir.empty()) throw EUsage("--to DIR is missing");
  return parsed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return kExitOk;
    }
  }
  TArguments parsed;
  try {
    parsed = Parse(args);
  } catch (const EUsage& error) {
    std::cerr << "leafmark-sample-book: " << error.what() << "\n\n" << kHelp;
    return kExitUsage;
  }
  try {
    leafmark::tools::WriteSampleBook(parsed.Dir, parsed.Options);
  } catch (const std::invalid_argument& error) {
    std::cerr << "leafmark-sample-book: " << error.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    std::cerr << "leafmark-sample-book: " << error.what() << "\n";
    return kExitFailed;
  }
  std::cout << "Wrote a sample book of " << parsed.Options.Pages << " pages in " << parsed.Dir << "\n";
  return kExitOk;
}
