// TMapString2String and TMapCardinal2Cardinal: small association lists with linear lookup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafmark::content {

struct TStringPair {
  std::wstring key;
  std::wstring value;
};

// Keys compare without letter case (system locale). Storing an existing key replaces its
// value and keeps the key as first stored.
class TMapString2String {
 public:
  void Set(const std::wstring& key, const std::wstring& value);
  // False, with value untouched, when the key is absent.
  bool Find(const std::wstring& key, std::wstring& value) const;

 private:
  std::vector<TStringPair> pairs_;
};

struct TCardinalPair {
  std::uint32_t key;
  std::uint32_t value;
};

// Set always appends, so the first value stored for a key is the one found.
class TMapCardinal2Cardinal {
 public:
  void Set(std::uint32_t key, std::uint32_t value);
  bool Find(std::uint32_t key, std::uint32_t& value) const;

 private:
  std::vector<TCardinalPair> pairs_;
};

}  // namespace leafmark::content
