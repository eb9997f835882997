// Command-line parsing shared by the packer's commands.
#include "tools/pack_args.h"

#include "tools/pack_commands.h"

namespace leafmark::pack {

TArgs::TArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
             const std::set<std::string>& flags) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional_.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help") {
      help_ = true;
    } else if (flags.count(arg) != 0) {
      flags_.insert(arg);
    } else if (valueOptions.count(arg) != 0) {
      if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
      if (values_.count(arg) != 0) throw EUsageError(arg + " is given twice");
      values_[arg] = args[++i];
    } else {
      throw EUsageError("unknown option " + arg);
    }
  }
}

std::optional<std::string> TArgs::Value(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::string TArgs::Required(const std::string& name) const {
  const auto value = Value(name);
  if (!value) throw EUsageError(name + " is required");
  return *value;
}

}  // namespace leafmark::pack
