// Parsing and building the archive's index text.
#include "archive/extent_index.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "base/decimal.h"

namespace leafmark {

std::vector<TIndexLine> ParseIndexLines(std::string_view text) {
  std::vector<TIndexLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos) lines.push_back({line.substr(0, eq), line.substr(eq + 1)});
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string_view FindIndexValue(std::string_view text, std::string_view name) {
  for (const TIndexLine& line : ParseIndexLines(text)) {
    if (SameEntryName(line.Name, name)) return line.Value;
  }
  return {};
}

std::int32_t ParseEntryNumber(std::string_view value) {
  return ParseSignedDecimal32(value).value_or(0);
}


bool EntryNameLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

std::string BuildIndexText(const std::vector<std::string>& namesInEntryOrder) {
  std::vector<std::size_t> order(namesInEntryOrder.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return EntryNameLess(namesInEntryOrder[a], namesInEntryOrder[b]);
  });
  std::string text;
  for (std::size_t k : order) {
    text += namesInEntryOrder[k];
    text += '=';
    text += std::to_string(k + 1);
    text += "\r\n";
  }
  return text;
}

}  // namespace leafmark
