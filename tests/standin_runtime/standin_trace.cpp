// The stand-in runtime's trace, parsed.
#include "tests/standin_runtime/standin_trace.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace leafmark::test {

namespace {

[[noreturn]] void Malformed(const std::string& line, const std::string& why) {
  throw std::runtime_error("trace line \"" + line + "\": " + why);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(const std::string& value, const std::string& line) {
  std::string plain;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      plain += value[i];
      continue;
    }
    const bool complete = i + 2 < value.size();
    const int high = complete ? HexDigit(value[i + 1]) : -1;
    const int low = complete ? HexDigit(value[i + 2]) : -1;
    if (high < 0 || low < 0) Malformed(line, "a % not followed by two hex digits");
    plain += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return plain;
}

TStandinEvent ParseLine(const std::string& line) {
  std::vector<std::string> tokens;
  std::istringstream words(line);
  for (std::string token; words >> token;) tokens.push_back(token);
  if (tokens.size() < 3) Malformed(line, "fewer than three words");
  TStandinEvent event;
  event.Line = line;
  if (tokens[0].find_first_not_of("0123456789") != std::string::npos) Malformed(line, "no sequence number");
  event.Sequence = std::stoull(tokens[0]);
  event.Thread = tokens[1];
  if (event.Thread != "main" && event.Thread != "worker") Malformed(line, "thread neither main nor worker");
  event.Name = tokens[2];
  for (std::size_t i = 3; i < tokens.size(); ++i) {
    const std::size_t equals = tokens[i].find('=');
    if (equals == std::string::npos) {
      if (!event.Fields.empty()) Malformed(line, "a word after the fields");
      event.Words.push_back(Unescape(tokens[i], line));
      continue;
    }
    if (equals == 0) Malformed(line, "a field without a key");
    const std::string key = tokens[i].substr(0, equals);
    if (!event.Fields.emplace(key, Unescape(tokens[i].substr(equals + 1), line)).second) {
      Malformed(line, "field " + key + " twice");
    }
  }
  return event;
}

}  // namespace

std::string TStandinEvent::operator[](const std::string& key) const {
  const auto found = Fields.find(key);
  return found == Fields.end() ? "<no " + key + ">" : found->second;
}

TStandinTrace TStandinTrace::Parse(const std::string& text) {
  TStandinTrace trace;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) Malformed(line, "empty");
    trace.events_.push_back(ParseLine(line));
  }
  return trace;
}

TStandinTrace TStandinTrace::Read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return Parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

std::vector<const TStandinEvent*> TStandinTrace::All(const std::string& name, const std::string& word) const {
  std::vector<const TStandinEvent*> found;
  for (const auto& event : events_) {
    if (event.Name != name) continue;
    if (!word.empty() && (event.Words.empty() || event.Words[0] != word)) continue;
    found.push_back(&event);
  }
  return found;
}

const TStandinEvent& TStandinTrace::One(const std::string& name, const std::string& word) const {
  const auto found = All(name, word);
  if (found.size() != 1) {
    throw std::runtime_error(std::to_string(found.size()) + " trace events \"" + name + (word.empty() ? "" : " " + word) +
                             "\" where one was expected");
  }
  return *found[0];
}

}  // namespace leafmark::test
