// A small command-line parser for the packer's commands: flags, options with a value, and
// positional arguments, in any order.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace leafmark::pack {

class TArgs {
 public:
  // valueOptions take the next argument as their value; flags take none. "--help" is always
  // known. Anything else starting with "--" is a usage error.
  TArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
        const std::set<std::string>& flags);

  bool Help() const { return help_; }
  bool Flag(const std::string& name) const { return flags_.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
  std::string Required(const std::string& name) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  bool help_ = false;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
  std::vector<std::string> positional_;
};

}  // namespace leafmark::pack
