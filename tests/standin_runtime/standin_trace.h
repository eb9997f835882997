// Reads the stand-in runtime's trace: one event a line,
//   <sequence> <main|worker> <event> [<word>...] [<key>=<value>...]
// where values escape space, '%' and control characters as %XX. For example
//   1 main loaded version=10.0.45.2 in-module-list=no
//   7 worker import ReadFile result=yes total=100 reads=3 head=4657530a...
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace leafmark::test {

struct TStandinEvent {
  std::string Line;  // as written, without its line end
  unsigned long long Sequence = 0;
  std::string Thread;              // "main" (the thread that loaded the module) or "worker"
  std::string Name;                // "loaded", "import", "unloaded", ...
  std::vector<std::string> Words;  // "import": the function
  std::map<std::string, std::string> Fields;  // values unescaped

  // The value, or "<no KEY>" so that a failed comparison names the missing field.
  std::string operator[](const std::string& key) const;
};

class TStandinTrace {
 public:
  // Throws std::runtime_error, naming the line, for a line without that form.
  static TStandinTrace Parse(const std::string& text);
  // An absent file reads as an empty trace.
  static TStandinTrace Read(const std::filesystem::path& file);

  const std::vector<TStandinEvent>& Events() const { return events_; }
  // The events called name whose first word is word (any, when word is empty).
  std::vector<const TStandinEvent*> All(const std::string& name, const std::string& word = "") const;
  // The one such event; throws std::runtime_error when there is none or more than one.
  const TStandinEvent& One(const std::string& name, const std::string& word = "") const;

 private:
  std::vector<TStandinEvent> events_;
};

}  // namespace leafmark::test
