// The index text (entry 0): "name=number" lines naming the entry that holds each file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace leafmark {

struct TIndexLine {
  std::string_view Name;
  std::string_view Value;
};

// Splits at CR LF, CR or LF; keeps only lines that contain "=", split at the first "=".
std::vector<TIndexLine> ParseIndexLines(std::string_view text);

// The value of the first line whose name equals name without regard to letter case;
// empty when there is none.
std::string_view FindIndexValue(std::string_view text, std::string_view name);

// A decimal 32-bit integer with an optional sign; anything else gives 0.
std::int32_t ParseEntryNumber(std::string_view value);

// Entry names are compared without regard to letter case, in the system's own way.
bool SameEntryName(std::string_view a, std::string_view b);

// The order of index lines: byte order after folding ASCII letters to lower case.
bool EntryNameLess(std::string_view a, std::string_view b);

// Builds an index for names numbered 1..size in the given order: lines sorted without
// regard to case, each "name=number" and CR LF.
std::string BuildIndexText(const std::vector<std::string>& namesInEntryOrder);

}  // namespace leafmark
