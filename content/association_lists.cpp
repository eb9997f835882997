// The two association lists.
#include "content/association_lists.h"

#include <windows.h>

#include <algorithm>

namespace leafmark::content {
namespace {

bool SameKey(const std::wstring& a, const std::wstring& b) {
  return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

}  // namespace

void TMapString2String::Set(const std::wstring& key, const std::wstring& value) {
  const auto found = std::find_if(pairs_.begin(), pairs_.end(),
                                  [&](const TStringPair& pair) { return SameKey(pair.key, key); });
  if (found != pairs_.end()) {
    found->value = value;
  } else {
    pairs_.push_back({key, value});
  }
}

bool TMapString2String::Find(const std::wstring& key, std::wstring& value) const {
  const auto found = std::find_if(pairs_.begin(), pairs_.end(),
                                  [&](const TStringPair& pair) { return SameKey(pair.key, key); });
  if (found == pairs_.end()) return false;
  value = found->value;
  return true;
}

void TMapCardinal2Cardinal::Set(std::uint32_t key, std::uint32_t value) {
  pairs_.push_back({key, value});
}

bool TMapCardinal2Cardinal::Find(std::uint32_t key, std::uint32_t& value) const {
  const auto found = std::find_if(pairs_.begin(), pairs_.end(),
                                  [&](const TCardinalPair& pair) { return pair.key == key; });
  if (found == pairs_.end()) return false;
  value = found->value;
  return true;
}

}  // namespace leafmark::content
