#include "faults.h"

#include <windows.h>

#include <string_view>

namespace standin {

TFaults ReadFaults() noexcept {
  TFaults faults;
  char text[512] = {};
  const DWORD length = GetEnvironmentVariableA("LEAFMARK_STANDIN_FAULTS", text, sizeof text);
  if (length == 0 || length >= sizeof text) return faults;
  std::string_view rest(text, length);
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    std::string_view word = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
    while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
    if (word == "refuse-site") faults.RefuseSite = true;
    if (word == "no-olecontrol") faults.NoOleControl = true;
    if (word == "no-inplace") faults.NoInPlace = true;
    if (word == "zero-window") faults.ZeroWindow = true;
    if (word == "no-connections") faults.NoConnections = true;
    if (word == "reject-extent") faults.RejectExtent = true;
  }
  return faults;
}

}  // namespace standin
