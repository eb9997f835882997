// TExeConfigInfo: the book's settings from "ExeConfig.xml": caption, window mode and size.
#pragma once

#include <cstdint>
#include <string>

#include "base/stream.h"

namespace leafmark {

class TExeConfigInfo {
 public:
  static std::string ConfigFileName() { return "ExeConfig.xml"; }

  // Reads the whole stream from its beginning. A document that does not parse, or lacks the
  // root "ExeConfig" or one of its four elements, raises; numbers that are not decimal
  // integers take their defaults (mode 2, width 800, height 600).
  void LoadFromStream(TStream& stream);

  std::string ExeCaption;  // 8-bit text in the system code page
  std::int32_t WindowOpenMode = 0;
  std::int32_t WindowOpenWidth = 0;
  std::int32_t WindowOpenHeight = 0;
  bool IsScreenSaver = false;
};

// text as a 32-bit decimal integer (optional sign, digits only), or fallback.
std::int32_t DecimalOrDefault(const std::string& text, std::int32_t fallback);

}  // namespace leafmark
